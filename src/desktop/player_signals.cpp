#include "desktop/player_signals.h"

namespace desktop {

PlayerSignals::PlayerSignals(player::Player& player, QObject* parent) : QObject(parent), player_(player) {
  player_.addListener(this);
}

PlayerSignals::~PlayerSignals() { player_.removeListener(this); }

}  // namespace desktop
