// How Setup reads the names in its script: what stays inside the program folder, what names a
// device, when two names are the same file. Shared by placement, the procedures and the
// package checker, so all apply one rule.
#pragma once

#include <vector>

#include "base/text.h"

namespace quorin {

// True when `name`, joined to a folder, names something inside that folder: not absolute, no
// drive or other colon, no ".." component (nor a component of dots and blanks, which the
// platform reads as "." or ".."), no device name (CON, NUL, COM1, ...).
bool StaysInsideFolder(TextView name);

// True when a component of `name` is one the platform opens as a device in every folder: CON,
// PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$, CONOUT$, in any letter case, also with an
// extension or trailing dots and blanks ("nul.txt", "COM1. ").
bool NamesDevice(TextView name);

// Whether relative `name` names the file `file` of the same folder as the platform reads
// names: letter case aside, "/" like "\", "." components and trailing dots and blanks of a
// component dropped.
bool NamesSameFile(TextView name, TextView file);

// Whether relative `name` names one of Setup's own files `own`, as NamesSameFile reads names.
bool NamesOwnFile(TextView name, const std::vector<Text>& own);

// The program folder joined with a relative name by one "\", without normalisation.
Text JoinFolder(const Text& folder, const Text& name);

// Whether two paths name the same file as the platform resolves them: letter case aside, "/"
// and "\" alike, "." components, doubled separators and trailing dots and blanks of a
// component ignored (".\README.TXT." is README.TXT). Links and short names are not resolved.
bool SamePath(TextView a, TextView b);
// The form SamePath compares: components joined by "\\", a leading "\\" for a rooted path.
Text PathKey(TextView path);
// The components of that form, each folded; ".." components are kept.
std::vector<Text> PathComponents(TextView path);

} // namespace quorin
