#pragma once
#include <cstdint>
#include <string>

#include "host/HostInterface.h"

namespace exl {

// The only caller of the host: hands the request, the stored context and the code
// to the stored callback and returns its answer unchanged.
std::int16_t HostGateway(HostRequest* request, std::int32_t code);

// Code 4. pathBuffer holds the default path or pattern on entry and, when the
// answer is kFileChosen, the chosen path in the OEM code page.
std::int16_t RequestFileSelection(const char* prompt, char (&pathBuffer)[kHostPathBufferSize]);
// Code 11.
void SendHostText(const std::string& text);
// Code 51: when it returns the host has read the search file and written the result file.
void RequestInfoQuery(const std::string& searchSpecPath, const std::string& resultPath, std::uint8_t modeFlags);

}  // namespace exl
