// Resource identifiers of the main window's own resources (main_window.rc). Kept apart from
// setup.rc's: pictures from 100, strings from 300.
#pragma once

#define IDI_TIP_PICTURE 101
#define IDI_INSTALL_PICTURE 102
#define IDI_UNINSTALL_PICTURE 103

#define IDS_NAMES_OUTSIDE_FOLDER 301
#define IDS_CANNOT_OPEN_DOCUMENT 302
#define IDS_NOT_INSTALLED 303
#define IDS_NOT_UNINSTALLED 304
#define IDS_RECORD_NOT_SAVED 305
#define IDS_ENTRY_NOT_WRITTEN 306
#define IDS_ENTRY_NOT_REMOVED 307
