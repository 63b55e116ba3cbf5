// The panel options dialog and the icon selector.
#include "scenes.h"
#include "shooter.h"

namespace shots {

void shootOptionsAndIcons(Scene& /*scene*/) {}

}  // namespace shots
