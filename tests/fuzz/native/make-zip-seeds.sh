#!/bin/sh
# Writes the zip-reader seeds that streaming writers' archives stand for, from the
# small new-workbook seed: data descriptors with and without their signature, zip64
# records, code page 437 names, and Python's own writer on a stream it cannot seek.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
seeds="$here/corpus/zip-reader"
workbooks="$here/../../support/workbooks.py"
source="$seeds/new-workbook"
/usr/bin/python3 "$workbooks" zip "$source" "$seeds/descriptor-signed" --descriptor=signed
/usr/bin/python3 "$workbooks" zip "$source" "$seeds/descriptor-unsigned" --descriptor=unsigned
/usr/bin/python3 "$workbooks" zip "$source" "$seeds/zip64" --zip64
/usr/bin/python3 "$workbooks" zip "$source" "$seeds/zip64-descriptor" --zip64 --descriptor=signed
/usr/bin/python3 "$workbooks" zip "$source" "$seeds/cp437-names" --cp437 --descriptor=unsigned
/usr/bin/python3 "$workbooks" streamed "$source" "$seeds/python-stream"
