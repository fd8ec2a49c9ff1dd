#pragma once
// The head of a deflated zip entry that is known only after the rest (a sheet's
// column widths stand before its rows): room is kept free in front of the packed
// rest, and the head fills it as stored deflate blocks, which every reader inflates
// like any other block, padded with blanks (between XML elements, where they mean
// nothing) to fill the room exactly. So the rest streams into the file, and nothing
// of it is held.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace exl::workbook {

// The room that takes a head of up to `most` bytes.
std::size_t HeadRoom(std::size_t most);

// The head padded with blanks to what fills `room`, and its stored blocks; false when
// it does not fit.
bool FillHeadRoom(std::string& head, std::size_t room, std::string& blocks);

// The CRC-32 of the head followed by the rest, from the CRCs of both.
std::uint32_t CombinedCrc(std::uint32_t headCrc, std::uint32_t restCrc, std::uint64_t restSize);

}  // namespace exl::workbook
