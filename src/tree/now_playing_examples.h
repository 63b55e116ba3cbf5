// The "now playing" examples: query nodes whose results follow the playing
// track through playing(), made on the user's "Create 'now playing'
// examples", apart from the example tree. Running it again completes the
// folder without duplicating it:
//
//   <Now playing>
//     More by this artist          album > title
//     Same album                   title
//     Same year                    album artist > album
//     Same genre, other artists    artist > album
//
// Each runs on use (expanding or clicking a stale node runs it again) and
// sends its tracks to "Vostrel playlist". With nothing playing they show
// nothing.
#ifndef VOSTREL_TREE_NOW_PLAYING_EXAMPLES_H_
#define VOSTREL_TREE_NOW_PLAYING_EXAMPLES_H_

namespace tree {

class Panel;

inline constexpr const char* kNowPlayingFolder = "<Now playing>";

// Builds or completes the folder below the panel's root, inserting the root
// row first when the panel has none. Nodes that exist with the same label
// are kept as they are. Stops at the first node that cannot be made or the
// first database error (written framed to the console); the nodes made
// before stay.
void createNowPlayingExamples(Panel& panel);

}  // namespace tree

#endif  // VOSTREL_TREE_NOW_PLAYING_EXAMPLES_H_
