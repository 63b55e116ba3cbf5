// The folder dialog, every page of the query sheet and the level dialog.
#include "scenes.h"
#include "shooter.h"

namespace shots {

void shootNodeDialogs(Scene& /*scene*/) {}

}  // namespace shots
