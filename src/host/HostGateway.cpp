#include "host/HostGateway.h"

#include "host/ModuleState.h"

namespace exl {

std::int16_t HostGateway(HostRequest* request, std::int32_t code) {
    ModuleState& state = TheModuleState();
    return state.hostCallback(request, state.hostContext, code);
}

std::int16_t RequestFileSelection(const char* prompt, char (&pathBuffer)[kHostPathBufferSize]) {
    HostRequest request;
    request.slot[0] = ToSlot(prompt);
    request.slot[1] = ToSlot(pathBuffer);
    std::int16_t answer = HostGateway(&request, kRequestFileSelection);
    // The host may write up to the buffer's end; keep it a string whatever it did.
    pathBuffer[kHostPathBufferSize - 1] = '\0';
    return answer;
}

void SendHostText(const std::string& text) {
    HostRequest request;
    request.slot[0] = ToSlot(text.c_str());
    HostGateway(&request, kRequestHostText);
}

void RequestInfoQuery(const std::string& searchSpecPath, const std::string& resultPath, std::uint8_t modeFlags) {
    HostRequest request;
    request.slot[0] = ToSlot(searchSpecPath.c_str());
    request.slot[1] = ToSlot(resultPath.c_str());
    request.slot[2] = modeFlags;
    HostGateway(&request, kRequestInfoQuery);
}

}  // namespace exl
