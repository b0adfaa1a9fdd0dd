// Resource identifiers of the property page's pictures (range 2000-2099).
#pragma once

#define IDB_PAGE_TITLE 2000 // heading picture at the left
#define IDI_PAGE_INFO 2001  // small icon marking the free-entry line
