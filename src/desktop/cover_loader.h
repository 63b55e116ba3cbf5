// CoverLoader: the covers of tracks, read on a worker thread of its own and
// kept as scaled copies in the cover cache (see library/cover_cache.h).
//
//   CoverLoader covers(library::CoverCache(library::CoverCache::defaultFolder()));
//   connect(&covers, &CoverLoader::coverReady, ...);  // (location, file, image)
//   covers.request(QString::fromUtf8(track.path()));
//
// A request reads the track's tags (or finds its folder image), then takes
// the cache's entry for that picture, or decodes the picture, scales it to
// at most kSide pixels a side and stores it as PNG. An entry that no longer
// decodes is thrown away and made again. coverReady() follows every request
// on the loader's thread, with an empty file and a null image when the
// track has no cover or its picture was refused; a refused picture also
// gives coverRefused() with the reason, once per track. One read runs at a time, so memory
// stays bounded however many requests wait; playback is never waited on.
#ifndef VOSTREL_DESKTOP_COVER_LOADER_H_
#define VOSTREL_DESKTOP_COVER_LOADER_H_

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThreadPool>

#include "library/cover_cache.h"

namespace desktop {

// Decoding pictures that may be hostile. The size an image claims is
// checked before anything is decoded, and the decoder may not allocate more
// than kDecodeLimitMiB; a JPEG must end where JPEGs end.
struct CoverDecoding {
  static constexpr int kSide = 500;                 // the largest side of a cached copy
  static constexpr qint64 kMaxPixels = 25'000'000;  // 5000 x 5000
  static constexpr int kDecodeLimitMiB = 128;
  // The picture, at most kSide a side; null, with `reason` set, when refused.
  static QImage decode(const QByteArray& bytes, QString* reason);
};

// What one request gave.
struct CoverResult {
  QString file;     // the cache entry; empty: no cover
  QImage image;     // the entry's picture
  QString refused;  // why the picture found was not shown
};

class CoverLoader : public QObject {
  Q_OBJECT

 public:
  explicit CoverLoader(library::CoverCache cache, QObject* parent = nullptr);
  // Waits for the read under way; waiting requests are dropped.
  ~CoverLoader() override;

  CoverLoader(const CoverLoader&) = delete;
  CoverLoader& operator=(const CoverLoader&) = delete;

  // Reads the cover of the track at `location` (a file URI or path) unless
  // a read of it is already waiting.
  void request(const QString& location);
  // The cache entry of the last read of `location`'s cover, while it still
  // exists: empty when unknown or when the track has none (`known` tells).
  QString cachedFile(const QString& location, bool* known = nullptr) const;
  // Blocks until every request made so far has been answered (for tests).
  void waitForIdle();

  // A request's whole work, on the calling thread.
  static CoverResult load(const QString& location, library::CoverCache& cache);

 signals:
  void coverReady(const QString& location, const QString& file, const QImage& image);
  void coverRefused(const QString& location, const QString& reason);

 private:
  void finish(const QString& location, const CoverResult& result);

  library::CoverCache cache_;  // used by the worker alone
  QThreadPool pool_;
  QSet<QString> waiting_;
  QHash<QString, QString> files_;  // location -> entry ("" for none)
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_COVER_LOADER_H_
