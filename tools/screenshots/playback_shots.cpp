// The main window while a track plays.
#include "scenes.h"
#include "shooter.h"

namespace shots {

void shootPlayback(Scene& /*scene*/) {}

}  // namespace shots
