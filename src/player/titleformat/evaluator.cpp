// Evaluation of sequences, [...] sections, fields and special fields, and
// the public format() entry points.
#include "player/titleformat/evaluator.h"

#include "player/titleformat/text_ops.h"
#include "player/titleformat/titleformat.h"

namespace player::titleformat {

std::string& scratch() {
  thread_local std::string text;
  return text;
}

bool Evaluator::run() {
  out_.clear();
  sequence(script_.root());
  if (failed_) {
    out_.clear();
    return false;
  }
  return true;
}

bool Evaluator::sequence(Span span) {
  bool truth = false;
  for (uint32_t i = 0; i < span.count && !failed_; ++i) {
    truth = item(script_.node(span.first + i)) || truth;
  }
  return truth && !failed_;
}

bool Evaluator::item(const Node& node) {
  switch (node.kind) {
    case NodeKind::kText:
      out_.append(script_.text(node));
      return false;
    case NodeKind::kField:
      return field(node.a);
    case NodeKind::kSpecial:
      return special(static_cast<Special>(node.code));
    case NodeKind::kBracket:
      return bracket(node);
    case NodeKind::kCall:
      return call(node);
  }
  return false;
}

// A section that refers to fields is shown only when something inside it is
// true; one without field references is always shown.
bool Evaluator::bracket(const Node& node) {
  const std::size_t mark = out_.size();
  const bool truth = sequence(Span{node.a, node.b});
  if ((node.flags & kHasField) != 0 && !truth) {
    out_.resize(mark);
    return false;
  }
  return truth;
}

host::FieldPtr Evaluator::findField(host::FieldId id) const {
  if (info_ == nullptr) return nullptr;
  host::FieldPtr found = info_->findMeta(id);
  if (found == nullptr) found = info_->findTech(id);
  return (found != nullptr && !found->values().empty()) ? found : nullptr;
}

void Evaluator::appendValues(const host::InfoField& field, std::string_view separator) {
  for (std::size_t i = 0; i < field.values().size(); ++i) {
    if (i > 0) out_.append(separator);
    out_.append(field.values()[i]);
  }
}

bool Evaluator::field(host::FieldId id) {
  host::FieldPtr found = findField(id);
  if (found == nullptr) return false;
  appendValues(*found, ", ");
  return true;
}

bool Evaluator::special(Special code) {
  const CommonFields& common = commonFields();
  const std::string_view path = stripFileScheme(track_.path());
  auto appendPiece = [this](std::string_view piece) {
    out_.append(piece);
    return !piece.empty();
  };
  switch (code) {
    case Special::kPath:
      return appendPiece(path);
    case Special::kFileName:
      return appendPiece(fileNameNoExt(path));
    case Special::kFileNameExt:
      return appendPiece(fileNameWithExt(path));
    case Special::kDirectoryName:
      return appendPiece(directoryName(path, 1));
    case Special::kLength:
    case Special::kLengthSeconds:
      if (info_ == nullptr) return false;
      if (code == Special::kLength) {
        appendLength(out_, roundSeconds(info_->length()));
      } else {
        appendNumber(out_, roundSeconds(info_->length()));
      }
      return true;
    case Special::kAlbumArtist: {
      host::FieldPtr found = findField(common.album_artist);
      if (found == nullptr) found = findField(common.artist);
      if (found == nullptr) return false;
      appendValues(*found, ", ");
      return true;
    }
    case Special::kTrackArtist: {
      host::FieldPtr album_artist = findField(common.album_artist);
      host::FieldPtr artist = findField(common.artist);
      if (album_artist == nullptr || artist == nullptr || album_artist->values() == artist->values()) {
        return false;
      }
      appendValues(*artist, ", ");
      return true;
    }
    case Special::kTitle:
      if (host::FieldPtr title = findField(common.title)) {
        appendValues(*title, ", ");
        return true;
      }
      return appendPiece(fileNameNoExt(path));
    case Special::kTrackNumber:
    case Special::kDiscNumber: {
      const bool track = code == Special::kTrackNumber;
      host::FieldPtr found = findField(track ? common.tracknumber : common.discnumber);
      if (found == nullptr) return false;
      if (track) {
        appendTrackNumber(out_, found->values().front());
      } else {
        appendDiscNumber(out_, found->values().front());
      }
      return true;
    }
  }
  return false;
}

bool format(const Script& script, const host::Track& track, std::string& out) {
  return Evaluator(script, track, out).run();
}

bool format(const host::TitleFormatScript& script, const host::Track& track, std::string& out) {
  const auto* own = dynamic_cast<const Script*>(&script);
  if (own == nullptr) {
    out.clear();
    return false;
  }
  return format(*own, track, out);
}

}  // namespace player::titleformat
