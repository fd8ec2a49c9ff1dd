#pragma once
// Reads an extended dialog template (DIALOGEX) out of a module's resources, so tests
// can hold the templates against their tables: frame, font, and every control's
// id, class, text, position and style.
#include <windows.h>

#include <string>
#include <vector>

namespace exl::test {

struct TemplateControl {
    int id = 0;
    std::string windowClass;  // "Button", "Edit", "Static" for the predefined ordinals
    std::string text;         // UTF-8
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD style = 0;
};

struct DialogTemplate {
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string caption;  // UTF-8
    int fontSize = 0;
    std::string fontName;
    std::vector<TemplateControl> controls;
};

// False when the resource is missing or not an extended template.
bool LoadDialogTemplate(HMODULE module, int templateId, DialogTemplate& result);

}  // namespace exl::test
