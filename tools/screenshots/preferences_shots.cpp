// The preferences dialog and its pages.
#include "scenes.h"
#include "shooter.h"

namespace shots {

void shootPreferences(Scene& /*scene*/) {}

}  // namespace shots
