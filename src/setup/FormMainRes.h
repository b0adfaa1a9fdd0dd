// Resource identifiers of the main window's own resources (FormMain.rc). Kept apart from
// Setup.rc's: pictures from 100, strings from 300.
#pragma once

#define IDI_FORM_TIP 101
#define IDI_FORM_INSTALL 102
#define IDI_FORM_UNINSTALL 103

#define IDS_NAMES_OUTSIDE_FOLDER 301
#define IDS_CANNOT_OPEN_DOCUMENT 302
#define IDS_NOT_INSTALLED 303
#define IDS_NOT_UNINSTALLED 304
#define IDS_RECORD_NOT_SAVED 305
#define IDS_ENTRY_NOT_WRITTEN 306
#define IDS_ENTRY_NOT_REMOVED 307
