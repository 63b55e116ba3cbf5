// The two D-Bus interfaces of MprisService, as Qt D-Bus adaptors. Their
// method and property names are the interfaces' own.
#ifndef VOSTREL_DESKTOP_MPRIS_ADAPTORS_H_
#define VOSTREL_DESKTOP_MPRIS_ADAPTORS_H_

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QStringList>
#include <QVariantMap>

namespace desktop {

class MprisService;

class MprisRootAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
  Q_PROPERTY(bool CanQuit READ canQuit)
  Q_PROPERTY(bool CanRaise READ canRaise)
  Q_PROPERTY(bool HasTrackList READ hasTrackList)
  Q_PROPERTY(QString Identity READ identity)
  Q_PROPERTY(QString DesktopEntry READ desktopEntry)
  Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
  Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

 public:
  explicit MprisRootAdaptor(MprisService& service);

  bool canQuit() const { return true; }
  bool canRaise() const { return true; }
  bool hasTrackList() const { return false; }
  QString identity() const { return QStringLiteral("Vostrel"); }
  QString desktopEntry() const { return QStringLiteral("vostrel"); }
  QStringList supportedUriSchemes() const { return {}; }
  QStringList supportedMimeTypes() const { return {}; }

 public slots:
  void Raise();
  void Quit();

 private:
  MprisService& service_;
};

class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
  Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
  Q_PROPERTY(double Rate READ rate WRITE setRate)
  Q_PROPERTY(QVariantMap Metadata READ metadata)
  Q_PROPERTY(double Volume READ volume WRITE setVolume)
  Q_PROPERTY(QString LoopStatus READ loopStatus WRITE setLoopStatus)
  Q_PROPERTY(bool Shuffle READ shuffle WRITE setShuffle)
  Q_PROPERTY(qlonglong Position READ position)
  Q_PROPERTY(double MinimumRate READ rate)
  Q_PROPERTY(double MaximumRate READ rate)
  Q_PROPERTY(bool CanGoNext READ canGoNext)
  Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
  Q_PROPERTY(bool CanPlay READ canControl)
  Q_PROPERTY(bool CanPause READ canControl)
  Q_PROPERTY(bool CanSeek READ canSeek)
  Q_PROPERTY(bool CanControl READ canControl)

 public:
  explicit MprisPlayerAdaptor(MprisService& service);

  QString playbackStatus() const;
  double rate() const { return 1.0; }
  void setRate(double) {}  // one rate only
  QVariantMap metadata() const;
  double volume() const;
  void setVolume(double volume);
  QString loopStatus() const;
  void setLoopStatus(const QString& status);
  bool shuffle() const;
  void setShuffle(bool shuffle);
  qlonglong position() const;  // microseconds
  bool canGoNext() const;
  bool canGoPrevious() const;
  bool canSeek() const;
  bool canControl() const { return true; }

 public slots:
  void Next();
  void Previous();
  void Pause();
  void PlayPause();
  void Stop();
  void Play();
  // Microseconds, relative; past the end it goes to the next track.
  void Seek(qlonglong offset);
  // Microseconds; ignored unless `track` is the playing one.
  void SetPosition(const QDBusObjectPath& track, qlonglong position);

 signals:
  void Seeked(qlonglong position);

 private:
  MprisService& service_;
};

}  // namespace desktop

#endif  // VOSTREL_DESKTOP_MPRIS_ADAPTORS_H_
