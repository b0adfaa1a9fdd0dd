// Resource identifiers of the About box's pictures (range 2100-2199).
#pragma once

#define IDB_ABOUT_TITLE 2100 // title picture
#define IDC_ABOUT_HAND 2101  // pointing hand over the link labels, hot spot (12, 5)
