#include "export/ExportCommand.h"

#include "catalogue/MessageCatalogue.h"
#include "framework/Application.h"

namespace exl {

std::int16_t RunExportCommand(const char*, const char*) {
    Application::Instance().SetHelpFile(MessageCatalogue::HelpFile());
    return 0;
}

}  // namespace exl
