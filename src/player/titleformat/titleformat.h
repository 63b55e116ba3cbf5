// The player's title-formatting language.
//
//   [%album artist% - ]%title%        "Artist - Song", or "Song" alone
//   $stripprefix(%album artist%)      "Beatles, The" ... sorts under B
//
// compile() turns an expression into a script once; format() evaluates it
// for a track and allocates nothing but the output.
#ifndef VOSTREL_PLAYER_TITLEFORMAT_TITLEFORMAT_H_
#define VOSTREL_PLAYER_TITLEFORMAT_TITLEFORMAT_H_

#include <memory>
#include <string>
#include <string_view>

#include "host/host.h"
#include "host/track.h"
#include "player/titleformat/script.h"

namespace player::titleformat {

// Script (script.h) derives from host::TitleFormatScript, so a ScriptPtr
// converts to host::TitleFormatScriptPtr.
using ScriptPtr = std::shared_ptr<const Script>;

// Compiles `text`. Returns nullptr and fills `error` (when given) with a
// message naming the position when the text does not compile.
ScriptPtr compile(std::string_view text, std::string* error = nullptr);

// Evaluates `script` for `track` into `out` (cleared first). Returns false,
// leaving `out` empty, when the script cannot be evaluated for this track:
// its $pad, $num, $repeat or $replace would make the text longer than
// kMaxGeneratedBytes. A track without info formats its tags as missing.
// Safe to call from several threads at once with the same script.
bool format(const Script& script, const host::Track& track, std::string& out);

// The same for a script handed back by the host interface. A script that
// this compiler did not make cannot be evaluated.
bool format(const host::TitleFormatScript& script, const host::Track& track, std::string& out);

}  // namespace player::titleformat

#endif  // VOSTREL_PLAYER_TITLEFORMAT_TITLEFORMAT_H_
