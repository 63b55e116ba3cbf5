#!/usr/bin/env python3
"""Makes library files for the player: the bundled demo library and large
libraries for benchmarks.

    python3 tools/make_library.py --out data/demo-library.json
    python3 tools/make_library.py --tracks 300000 --out /tmp/big-library.json

The output is deterministic: the same arguments give the same bytes. The
library has the variety a real collection has: multi-value artist and genre
tags, compilations with an album artist, multi-disc albums, albums without a
date, names in several scripts, numbered titles, replay gain on some albums,
technical information, a cue-style album of subsongs in one file, and a few
tracks with no information at all. The paths name files that do not exist,
so most tracks carry their size and mtime. Two seed playlists come along.

Standard library only.
"""

import argparse
import json
import random
import sys

DEMO_TRACKS = 1200
SEED = 20240501
BASE_MTIME = 1500000000  # 2017-07-14
TRACK_ONLY = "track only"  # replay gain without album values

# Words for names and titles, one list per language.
WORDS = {
    "en": ["Midnight", "Harbour", "Silver", "Echo", "Lantern", "River", "Paper", "Glass", "Winter",
           "Summer", "Neon", "Velvet", "Orchard", "Highway", "Satellite", "Ghost", "Golden",
           "Morning", "Falling", "Static", "Wild", "Quiet", "Electric", "Hollow", "Distant",
           "Northern", "Lights", "Signal", "Tide", "Garden", "Shadow", "Ember", "Horizon",
           "Letters", "Stones", "Wires", "Dreams", "Rain", "City", "Fire", "Copper", "Arrow"],
    "fr": ["Café", "Étoile", "Rêve", "Lumière", "Été", "Cœur", "Minuit", "Fenêtre", "Chanson",
           "Mémoire", "Océan", "Hiver", "Éclat", "Rivière", "Nuit", "Soleil", "Pluie", "Château"],
    "de": ["Über", "Glück", "Straße", "Träume", "Nächte", "Grüße", "Märchen", "Brücke",
           "Wälder", "Sonne", "Fernweh", "Gewitter", "Hafen", "Spiegel", "Flüsse", "Türme"],
    "no": ["Fjord", "Søvn", "Lys", "Høst", "Bølger", "Skygge", "Vår", "Måne", "Stjerne",
           "Øyene", "Snø", "Hjem", "Tåke", "Fjell"],
    "ru": ["Белые", "Ночи", "Звезда", "Дорога", "Зима", "Город", "Река", "Ветер", "Сон",
           "Небо", "Огни", "Песня", "Осень", "Поезд"],
    "ja": ["東京", "雨", "夜", "桜", "星", "海", "風", "月", "夢", "光", "空", "花", "街", "雪"],
}

# (name, language, genres, codec). Invented names.
ARTISTS = [
    ("The Paper Lanterns", "en", ["Indie", "Rock"], "FLAC"),
    ("The Velvet Orchard", "en", ["Rock"], "FLAC"),
    ("Copper Arrow", "en", ["Rock", "Blues"], "MP3"),
    ("Neon Harbour", "en", ["Electronic"], "FLAC"),
    ("Satellite Gardens", "en", ["Electronic", "Ambient"], "Vorbis"),
    ("Mara Winslow", "en", ["Pop"], "AAC"),
    ("Jonah Hale", "en", ["Folk"], "FLAC"),
    ("Static Tide", "en", ["Metal"], "MP3"),
    ("Hollow Pines", "en", ["Folk", "Indie"], "Opus"),
    ("Delta Rowe Quartet", "en", ["Jazz"], "FLAC"),
    ("Ruby Okafor", "en", ["Soul"], "FLAC"),
    ("Ghost Signal", "en", ["Electronic"], "MP3"),
    ("Ivy Carrow", "en", ["Pop", "Electronic"], "AAC"),
    ("The Northern Letters", "en", ["Indie"], "FLAC"),
    ("Milo Brandt", "en", ["Hip-Hop"], "MP3"),
    ("Lena Vos", "en", ["Jazz", "Soul"], "FLAC"),
    ("22 Harbour Street", "en", ["Rock"], "FLAC"),
    ("10,000 Wires", "en", ["Electronic"], "Vorbis"),
    ("Arlo & the Embers", "en", ["Blues"], "FLAC"),
    ("Silverline", "en", ["Pop"], "MP3"),
    ("Élodie Marchand", "fr", ["Chanson", "Pop"], "FLAC"),
    ("Les Éclats de Minuit", "fr", ["Chanson"], "FLAC"),
    ("Café Lumière", "fr", ["Jazz"], "MP3"),
    ("Noémie Brûlé", "fr", ["Pop"], "AAC"),
    ("Die Glücksritter", "de", ["Rock"], "FLAC"),
    ("Jürgen Möller Trio", "de", ["Jazz"], "FLAC"),
    ("Straßenträume", "de", ["Electronic"], "Vorbis"),
    ("Anneliese Brückner", "de", ["Folk"], "FLAC"),
    ("Kammerorchester Südwind", "de", ["Classical"], "FLAC"),
    ("Søren Kjærgaard Trio", "no", ["Jazz"], "FLAC"),
    ("Fjordlys", "no", ["Ambient"], "Opus"),
    ("Øystein Bråten", "no", ["Folk"], "FLAC"),
    ("Måneskygge", "no", ["Metal"], "MP3"),
    ("Алиса Воронова", "ru", ["Pop"], "MP3"),
    ("Ночной Экспресс", "ru", ["Rock"], "FLAC"),
    ("Дмитрий Ковалёв", "ru", ["Classical"], "FLAC"),
    ("Белый Ветер", "ru", ["Folk", "Rock"], "Vorbis"),
    ("月影楽団", "ja", ["J-Pop"], "AAC"),
    ("星野ユキ", "ja", ["J-Pop", "Electronic"], "FLAC"),
    ("東京レインコート", "ja", ["Rock", "J-Pop"], "MP3"),
    ("桜坂トリオ", "ja", ["Jazz"], "FLAC"),
    ("Quiet Distance", "en", ["Ambient"], "FLAC"),
    ("Golden Hour Collective", "en", ["Soul", "Hip-Hop"], "AAC"),
    ("Winter Orchard", "en", ["Indie", "Folk"], "FLAC"),
    ("Electric Letters", "en", ["Electronic", "Pop"], "MP3"),
    ("Falling Stones", "en", ["Rock", "Metal"], "FLAC"),
    ("Morning Rain", "en", ["Ambient", "Classical"], "FLAC"),
    ("Distant Fires", "en", ["Blues", "Rock"], "Opus"),
]

COMPOSERS = ["Ludwig van Beethoven", "Johann Sebastian Bach", "Frédéric Chopin", "Antonín Dvořák",
             "Pyotr Ilyich Tchaikovsky", "Erik Satie"]
WORKS = ["Symphony", "Prelude", "Nocturne", "Étude", "Sonata", "Suite"]
MOVEMENTS = ["Allegro", "Adagio", "Andante", "Scherzo", "Presto", "Largo"]

CODECS = {
    # codec: (extension, bitrates, sample rates, tag case)
    "FLAC": ("flac", None, ["44100", "44100", "48000", "96000"], "lower"),
    "MP3": ("mp3", ["320", "256", "192", "128"], ["44100"], "lower"),
    "AAC": ("m4a", ["256", "192"], ["44100", "48000"], "lower"),
    "Vorbis": ("ogg", ["192", "160", "320"], ["44100"], "upper"),
    "Opus": ("opus", ["128", "96"], ["48000"], "upper"),
}


def title_case_words(rng, language, count):
    """`count` different words of the language."""
    return " ".join(rng.sample(WORDS[language], count))


def make_title(rng, language):
    """A track or album title in the given language."""
    words = WORDS[language]
    if language == "ja":
        first, second = rng.sample(words, 2)
        return first + rng.choice(["の", "と", ""]) + second
    pattern = rng.randrange(7)
    if pattern == 0:
        return "The " + rng.choice(words)
    if pattern == 1:
        return title_case_words(rng, language, 2) + ", Pt. " + str(rng.randrange(2, 4))
    if pattern == 2 and language == "en":
        return " of ".join(rng.sample(words, 2))
    if pattern == 3:
        return title_case_words(rng, language, 3)
    return title_case_words(rng, language, 2)


def safe(name):
    """A name usable as one path component."""
    return name.replace("/", "-")


class Generator:
    def __init__(self, track_count, seed):
        self.rng = random.Random(seed)
        self.track_count = track_count
        self.tracks = []
        self.artists = list(ARTISTS)
        # Large libraries get more artists, so that albums per artist stay
        # realistic; the added names are numbered to stay distinct.
        extra = max(0, track_count // 35 - len(ARTISTS))
        for i in range(extra):
            language = self.rng.choice(["en", "en", "en", "fr", "de", "no", "ru", "ja"])
            base = ARTISTS[self.rng.randrange(len(ARTISTS))]
            name = title_case_words(self.rng, language, 2) + " " + str(i + 1)
            self.artists.append((name, language, base[2], base[3]))
        self.albums_by = {}  # artist: album titles used

    @staticmethod
    def unique(name, used):
        """`name`, numbered when `used` already has it; records it in `used`."""
        candidate, n = name, 2
        while candidate in used:
            candidate = "%s (%d)" % (name, n)
            n += 1
        used.add(candidate)
        return candidate

    # Track records -------------------------------------------------------

    def tech(self, codec, length):
        extension, bitrates, rates, _ = CODECS[codec]
        rate = self.rng.choice(rates)
        channels = "1" if self.rng.random() < 0.03 else "2"
        if bitrates is None:
            bitrate = str(self.rng.randrange(600, 1100) * (2 if rate == "96000" else 1))
        else:
            bitrate = self.rng.choice(bitrates)
        info = {"codec": codec, "bitrate": bitrate, "samplerate": rate, "channels": channels}
        if codec == "FLAC":
            info["bitspersample"] = "24" if rate == "96000" else "16"
        if codec == "MP3":
            info["codec_profile"] = "CBR"
        size = int(int(bitrate) * 1000 / 8 * length) + self.rng.randrange(2000, 90000)
        return extension, info, size

    def add_track(self, path, meta, codec, length, album_gain, subsong=0):
        extension, info, size = self.tech(codec, length)
        track = {"path": path + "." + extension if subsong == 0 else path}
        if subsong:
            track["subsong"] = subsong
        if self.rng.random() < 0.96:
            track["size"] = size
            track["mtime"] = BASE_MTIME + self.rng.randrange(0, 250000000)
        track["length"] = round(length, 3)
        if CODECS[codec][3] == "upper":
            meta = {key.upper(): value for key, value in meta.items()}
        track["meta"] = meta
        track["info"] = info
        if album_gain is not None:
            # TRACK_ONLY: scanned track by track, so there is no album value.
            base = self.rng.uniform(-9.0, -4.0) if album_gain == TRACK_ONLY else album_gain
            gain = {"track_gain": round(base + self.rng.uniform(-2.5, 2.5), 2),
                    "track_peak": round(self.rng.uniform(0.6, 1.0), 6)}
            if album_gain != TRACK_ONLY:
                gain["album_gain"] = album_gain
                gain["album_peak"] = round(self.rng.uniform(0.9, 1.0), 6)
            track["replaygain"] = gain
        self.tracks.append(track)

    # Albums --------------------------------------------------------------

    def album_common(self, artist):
        name, language, genres, codec = artist
        date = None
        roll = self.rng.random()
        if roll < 0.75:
            date = str(self.rng.randrange(1968, 2024))
        elif roll < 0.9:
            date = "%d-%02d-%02d" % (self.rng.randrange(1990, 2024), self.rng.randrange(1, 13),
                                     self.rng.randrange(1, 29))
        album_gain = None
        roll = self.rng.random()
        if roll < 0.55:
            album_gain = round(self.rng.uniform(-11.0, -3.0), 2)
        if codec == "MP3" and self.rng.random() < 0.2:
            codec = self.rng.choice(["FLAC", "MP3"])
        return date, album_gain, codec, language, genres

    def genre_value(self, genres):
        if len(genres) > 1 and self.rng.random() < 0.6:
            return list(genres)
        return genres[0]

    def artist_album(self, artist, remaining):
        name, _, _, _ = artist
        date, album_gain, codec, language, genres = self.album_common(artist)
        kind = self.rng.random()
        numbered = kind < 0.07
        classical = "Classical" in genres
        album = "Untitled Sessions" if numbered else make_title(self.rng, language)
        if self.rng.random() < 0.1:
            album += " (Deluxe Edition)"
        album = self.unique(album, self.albums_by.setdefault(name, set()))
        titles = set()
        discs = 2 if kind > 0.9 else 1
        per_disc = self.rng.randrange(6, 13)
        count = min(remaining, discs * per_disc)
        genre = self.genre_value(genres)
        composer = self.rng.choice(COMPOSERS) if classical else None
        for i in range(count):
            disc, number = divmod(i, per_disc)
            number += 1
            if numbered:
                title = "Track %d" % number
            elif classical:
                title = "%s No. %d in %s: %s. %s" % (
                    self.rng.choice(WORKS), self.rng.randrange(1, 12),
                    self.rng.choice(["C minor", "E-flat major", "A major", "D minor"]),
                    ["I", "II", "III", "IV", "V", "VI"][i % 6], self.rng.choice(MOVEMENTS))
            else:
                title = make_title(self.rng, language)
            title = self.unique(title, titles)
            artist_value = name
            if self.rng.random() < 0.08:
                guest = self.rng.choice(self.artists)[0]
                if guest != name:
                    artist_value = [name, guest]
            meta = {"artist": artist_value, "album": album, "title": title,
                    "tracknumber": str(number), "totaltracks": str(per_disc if discs > 1 else count)}
            if date:
                meta["date"] = date
            meta["genre"] = genre
            if discs > 1:
                meta["discnumber"] = str(disc + 1)
                meta["totaldiscs"] = str(discs)
            if composer:
                meta["composer"] = composer
            if self.rng.random() < 0.05:
                meta["comment"] = "Recorded live in one take"
            prefix = ("%d-%02d" % (disc + 1, number)) if discs > 1 else "%02d" % number
            path = "file:///music/%s/%s/%s %s" % (safe(name), safe(album), prefix, safe(title))
            self.add_track(path, meta, codec, self.rng.uniform(95, 520), album_gain)
        return count

    def compilation(self, remaining):
        date, album_gain, _, _, _ = self.album_common(self.rng.choice(self.artists))
        album = self.rng.choice(["Summer Hits", "Late Night Jazz", "Indie Discoveries", "Electronic Nights",
                                 "Songs from the Road", "Café Sessions"]) + " Vol. %d" % self.rng.randrange(1, 12)
        album = self.unique(album, self.albums_by.setdefault("Various Artists", set()))
        count = min(remaining, self.rng.randrange(12, 21))
        titles = set()
        for i in range(count):
            artist = self.rng.choice(self.artists)
            name, language, genres, codec = artist
            title = self.unique(make_title(self.rng, language), titles)
            meta = {"album artist": "Various Artists", "artist": name, "album": album, "title": title,
                    "tracknumber": str(i + 1), "totaltracks": str(count), "genre": self.genre_value(genres),
                    "compilation": "1"}
            if date:
                meta["date"] = date
            path = "file:///music/Various Artists/%s/%02d %s" % (safe(album), i + 1, safe(title))
            self.add_track(path, meta, "FLAC" if codec in ("Vorbis", "Opus") else codec, self.rng.uniform(150, 330),
                           album_gain)
        return count

    def cue_album(self, artist, remaining):
        """A live album ripped to one file with a cue sheet: one subsong per track."""
        name, language, genres, _ = artist
        album = self.unique("Live at the " + self.rng.choice(WORDS["en"]) + " Hall",
                            self.albums_by.setdefault(name, set()))
        count = min(remaining, self.rng.randrange(8, 13))
        path = "file:///music/%s/%s/%s.flac" % (safe(name), safe(album), safe(album))
        for i in range(count):
            meta = {"artist": name, "album": album, "title": make_title(self.rng, language),
                    "tracknumber": str(i + 1), "date": "2016", "genre": self.genre_value(genres)}
            self.add_track(path, meta, "FLAC", self.rng.uniform(180, 420), TRACK_ONLY, subsong=i + 1)
        return count

    def bare_tracks(self):
        """Files the player knows nothing about: no tags, no technical info."""
        for i in range(1, 5):
            track = {"path": "file:///music/Unsorted/voice memo %02d.wav" % i}
            if i % 2:
                track["size"] = 480000 * i
                track["mtime"] = BASE_MTIME + 86400 * i
            self.tracks.append(track)
        return 4

    def generate(self):
        remaining = self.track_count
        bare = 4 if remaining >= 200 else 0
        remaining -= bare
        artist_order = list(self.artists)
        index = 0
        while remaining > 0:
            # Every artist gets one album before any gets a second.
            if index < len(artist_order):
                artist = artist_order[index]
            else:
                artist = self.rng.choice(self.artists)
            roll = self.rng.random()
            if roll < 0.08 and index >= 10:
                remaining -= self.compilation(remaining)
            elif roll < 0.1 and index >= 10:
                remaining -= self.cue_album(artist, remaining)
                index += 1
            else:
                remaining -= self.artist_album(artist, remaining)
                index += 1
        if bare:
            self.bare_tracks()
        return self.tracks

    def playlists(self):
        def item(track):
            if track.get("subsong"):
                return {"path": track["path"], "subsong": track["subsong"]}
            return track["path"]

        picks = self.rng.sample(range(len(self.tracks)), min(40, len(self.tracks)))
        default = [item(self.tracks[i]) for i in sorted(picks[:25])]
        road = [item(self.tracks[i]) for i in picks[25:]]
        # An item that is not in the library: a track of its own in the player.
        road.append("file:///music/Downloads/not in the library.mp3")
        cue = [t for t in self.tracks if t.get("subsong")]
        if cue:
            road.append(item(cue[-1]))
        return [{"name": "Default", "items": default}, {"name": "Road Trip", "items": road}]


def write_library(out, tracks, playlists):
    out.write('{\n  "tracks": [\n')
    for i, track in enumerate(tracks):
        out.write("    ")
        out.write(json.dumps(track, ensure_ascii=False))
        out.write(",\n" if i + 1 < len(tracks) else "\n")
    out.write("  ],\n")
    out.write('  "playlists": [\n')
    for i, playlist in enumerate(playlists):
        out.write("    ")
        out.write(json.dumps(playlist, ensure_ascii=False))
        out.write(",\n" if i + 1 < len(playlists) else "\n")
    out.write('  ]' + (',\n  "active_playlist": 0\n' if playlists else "\n") + "}\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--tracks", type=int, default=DEMO_TRACKS,
                        help="number of tracks (default %d, the demo library)" % DEMO_TRACKS)
    parser.add_argument("--out", default="-", help="output file; - for standard output")
    parser.add_argument("--seed", type=int, default=SEED, help="random seed (default: the demo's)")
    args = parser.parse_args()
    if args.tracks < 0:
        parser.error("--tracks must be 0 or more")
    generator = Generator(args.tracks, args.seed)
    tracks = generator.generate()
    playlists = generator.playlists() if tracks else []
    if args.out == "-":
        write_library(sys.stdout, tracks, playlists)
    else:
        with open(args.out, "w", encoding="utf-8", newline="\n") as out:
            write_library(out, tracks, playlists)


if __name__ == "__main__":
    main()
