#pragma once
// Dialog templates and control ids; the numbers are fixed by the templates.

#define IDD_EXPORT_DIALOG 2002
#define IDD_PROFILE_DIALOG 2003
#define IDD_FIELD_DIALOG 2004
