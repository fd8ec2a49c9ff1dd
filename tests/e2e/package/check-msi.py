#!/usr/bin/python3
"""check-msi.py <msi> <version> <machine>

Reads the installer with msitools, which nobody here wrote, as a deployment tool
would see it: summary information, tables and properties, the plug-in it carries
(its version resource against ProductVersion, its machine type), and that the
dialogs' tables refer only to what exists. Prints every finding; exit status 1 if
there is one."""
import os
import struct
import subprocess
import sys
import tempfile

msi, version, machine = sys.argv[1], sys.argv[2], int(sys.argv[3], 0)
findings = []


def expect(condition, what):
    if not condition:
        findings.append(what)


def msiinfo(*arguments):
    run = subprocess.run(["msiinfo", *arguments], capture_output=True, text=True)
    if run.returncode != 0 or "WARNING" in run.stderr:
        sys.exit(f"msiinfo {' '.join(arguments)} failed: {run.stderr.strip()}")
    return run.stdout


def table(name):
    """The rows of a table as dictionaries by column name (msiinfo's idt export);
    none for a table that is missing (a finding of its own)."""
    if name not in tables:
        return []
    lines = msiinfo("export", msi, name).splitlines()
    columns = lines[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]


def dll_facts(path):
    """(machine, "a.b.c.d") of a PE image: the COFF machine and VS_FIXEDFILEINFO."""
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0] if data[:2] == b"MZ" else len(data)
    at = data.find(struct.pack("<I", 0xFEEF04BD))
    if pe + 6 > len(data) or at < 0:
        return 0, "no version resource"
    ms, ls = struct.unpack_from("<II", data, at + 8)
    return struct.unpack_from("<H", data, pe + 4)[0], f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"


summary = dict(line.split(": ", 1) for line in msiinfo("suminfo", msi).splitlines() if ": " in line)
expect(summary.get("Template") == "Intel;1031", f"template {summary.get('Template')}: not a German x86 package")
expect(summary.get("Subject") == "Excel-Kopplung für Orvanta", f"subject {summary.get('Subject')}")
expect(summary.get("Author") == "Orvanta", f"author {summary.get('Author')}")
expect(msiinfo("export", msi, "_ForceCodepage").split()[0] == "1252", "the strings are not in code page 1252")

tables = set(msiinfo("tables", msi).split())
for needed in ("Property", "Directory", "Component", "File", "Feature", "FeatureComponents", "Media", "Upgrade",
               "LaunchCondition", "AppSearch", "RegLocator", "Registry", "CustomAction", "InstallExecuteSequence",
               "InstallUISequence", "Dialog", "Control", "ControlEvent", "EventMapping", "TextStyle"):
    expect(needed in tables, f"no table {needed}")

properties = {row["Property"]: row["Value"] for row in table("Property")}
for name, value in (("ProductName", "Excel-Kopplung für Orvanta"), ("Manufacturer", "Orvanta"),
                    ("ProductLanguage", "1031"), ("ALLUSERS", "1"), ("ProductVersion", version),
                    ("UpgradeCode", "{6B1E0F4A-2C0D-4E57-9A43-3D8F2B7C5E11}")):
    expect(properties.get(name) == value, f"property {name} is {properties.get(name)!r}, not {value!r}")
expect("INSTALLDIR" in properties.get("SecureCustomProperties", "").split(";"), "INSTALLDIR is not secure")

directories = {row["Directory"]: row for row in table("Directory")}
expect(directories.get("INSTALLDIR", {}).get("Directory_Parent") == "ProgramFilesFolder" and
       directories["INSTALLDIR"].get("DefaultDir") == "Orvanta", "INSTALLDIR is not [ProgramFilesFolder]Orvanta")
files = {row["FileName"]: row["Component_"] for row in table("File")}
expect(set(files) == {"ExcelKopplung.dll", "string_exl.txt", "LIESMICH.txt", "stueckliste.exl"},
       f"files {sorted(files)}")
attributes = {row["Component"]: int(row["Attributes"]) for row in table("Component")}
for file, component in files.items():
    wanted = 0x90 if file == "stueckliste.exl" else 0  # NeverOverwrite | Permanent for the sample only
    expect(attributes.get(component) == wanted, f"{file}'s component has attributes {attributes.get(component)}")
expect(any("neuere Version" in row["Description"] for row in table("LaunchCondition")), "no downgrade message")

with tempfile.TemporaryDirectory() as folder:
    subprocess.run(["msiextract", "-C", folder, msi], check=True, capture_output=True)
    dll = os.path.join(folder, "Program Files", "Orvanta", "ExcelKopplung.dll")
    dll_machine, dll_version = dll_facts(dll)
    expect(dll_version == properties.get("ProductVersion"), f"the DLL is {dll_version}, the product "
                                                            f"{properties.get('ProductVersion')}")
    expect(dll_machine == machine, f"the DLL's machine is {dll_machine:#x}, not {machine:#x}")

# What Windows Installer would refuse to show: a dialog, control or event that names
# something the tables do not hold.
dialogs = {row["Dialog"]: row for row in table("Dialog")}
controls = {(row["Dialog_"], row["Control"]) for row in table("Control")}
standard = {"FindRelatedProducts", "AppSearch", "LaunchConditions", "ValidateProductID", "CostInitialize",
            "FileCost", "CostFinalize", "MigrateFeatureStates", "ExecuteAction"}
custom = {row["Action"] for row in table("CustomAction")}
for row in table("InstallUISequence"):
    expect(row["Action"] in dialogs or row["Action"] in custom or row["Action"] in standard,
           f"the interface sequence shows {row['Action']}, which is no dialog and no action")
for name, dialog in dialogs.items():
    for column in ("Control_First", "Control_Default", "Control_Cancel"):
        expect(not dialog[column] or (name, dialog[column]) in controls, f"{name}.{column} names no control")
for row in table("Control"):
    expect(not row["Control_Next"] or (row["Dialog_"], row["Control_Next"]) in controls,
           f"{row['Dialog_']}.{row['Control']} is followed by no control")
for source in ("ControlEvent", "EventMapping"):
    for row in table(source):
        expect((row["Dialog_"], row["Control_"]) in controls, f"{source} names {row['Dialog_']}.{row['Control_']}")

for finding in findings:
    print(finding)
print(f"{msi}: {len(findings)} findings")
sys.exit(1 if findings else 0)
