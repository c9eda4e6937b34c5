#pragma once

#include <QIcon>

// The program's icon, a plate with a glowing well, drawn from the SVG the
// program carries as a resource, in the sizes window frames and task bars ask for.
namespace ProgramIcon {
QIcon icon();
}
