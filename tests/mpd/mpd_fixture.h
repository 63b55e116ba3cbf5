// MpdFixture: a player over a small library, a panel on it holding the
// example tree, a fake playback and the dispatcher over them; send() runs
// request lines through a session as a client would.
#ifndef VOSTREL_TESTS_MPD_MPD_FIXTURE_H_
#define VOSTREL_TESTS_MPD_MPD_FIXTURE_H_

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "mpd/browse.h"
#include "mpd/dispatcher.h"
#include "mpd/playback.h"
#include "mpd/session.h"
#include "player/player.h"
#include "support/fake_host.h"
#include "tree/panel.h"

namespace mpd_testing {

class FakePlayback final : public mpd::Playback {
 public:
  bool available() const override { return available_; }
  std::string unavailableReason() const override { return "no sound server"; }
  State state() const override { return state_; }
  int64_t position() const override { return position_; }
  int64_t duration() const override { return 200000; }
  void play() override { state_ = State::kPlaying; }
  void pause() override { state_ = State::kPaused; }
  void stop() override { state_ = State::kStopped; }
  void seek(int64_t position) override { position_ = position; }
  int volume() const override { return volume_; }
  void setVolume(int volume) override { volume_ = volume; }
  player::PlaybackOrder order() const override { return order_; }
  void setOrder(player::PlaybackOrder order) override { order_ = order; }

  bool available_ = true;
  State state_ = State::kStopped;
  int64_t position_ = 0;
  int volume_ = 50;
  player::PlaybackOrder order_ = player::PlaybackOrder::kDefault;
};

class MpdFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Feeds `lines` (each ended by a line feed) to the fixture's session and
  // returns the reply text.
  std::string send(const std::string& lines);
  // The queue's item titles, joined by ",".
  std::string queueTitles() const;

  testing_support::TempDir dir;
  std::ostringstream messages;
  std::unique_ptr<player::Player> player;
  std::unique_ptr<tree::Panel> panel;
  FakePlayback playback;
  std::unique_ptr<mpd::Browser> browser;
  std::unique_ptr<mpd::Dispatcher> dispatcher;
  std::unique_ptr<mpd::Session> session;
  unsigned changed = 0;  // subsystems reported since the last check
};

}  // namespace mpd_testing

#endif  // VOSTREL_TESTS_MPD_MPD_FIXTURE_H_
