// Placeholder until the main window exists: Setup loads its script and ends.
#include "FormMain.h"

namespace setup {

void FormMainLoad() {}
void FormMainShowModal() {}
void FormMainUnload() {}

} // namespace setup
