#!/usr/bin/env python3
"""Writes "Radova.dic", the detailed readings of single characters.

Each kanji of JIS X 0208 levels 1 and 2 that has a Japanese reading is read
as a word that holds it, the particle ノ and the kanji's own reading in that
word ("シャカイノ カイ"). The word must tell the listener which kanji it is:
its sound is that of no other common noun of IPADIC (教会, 協会 and 境界 are
all キョウカイ) and its other kanji are among the most used ones (frequency
ranks from KANJIDIC); among such words the one IPADIC gives the lowest cost
goes first. The words and their readings come from IPADIC's source files,
the kanji's readings from Unihan (kJapaneseOn, kJapaneseKun). A word is
taken only when its reading splits over its characters so that the kanji's
part is exactly one of the kanji's own readings. A kanji no word fits is
read by its reading alone. Symbols are read by their names. Kana, Latin
letters and digits have no entry: the program reads them by their class.

Every entry is one line: two digits giving the entry's length in UTF-16
units (from the first digit up to the line end), the character, a space and
its reading. Lines that begin otherwise are comments.

Usage: make_radova_dic.py OUTPUT [--unihan DIR] [--ipadic DIR] [--kanjidic FILE]
       make_radova_dic.py --extract-unihan OUTPUT [--unihan DIR]
       make_radova_dic.py --measure LEAST [--unihan DIR] [--ipadic DIR] [--kanjidic FILE]
The second form copies the Unihan lines the dictionary is made from (JIS
codes and Japanese readings) into a plain text file, for the tests. The
third tells how many of the 常用 kanji get a word that tells them (see
measure()) and fails below the share LEAST.
"""

import argparse
import bz2
import glob
import os
import sys

UNIHAN_DIR = "/usr/share/unicode"
IPADIC_DIR = "/usr/share/mecab/dic/ipadic"
KANJIDIC_FILE = "/usr/share/edict/kanjidic"

# IPADIC files of the names of people and organisations, whose words are no
# help in telling a kanji; place names and other proper nouns are taken
# when no common word fits.
IPADIC_SKIPPED = {"Noun.name.csv", "Noun.org.csv"}
IPADIC_LAST_RESORT = {"Noun.place.csv", "Noun.proper.csv"}

# ---------------------------------------------------------------------------
# Readings from Unihan, romanised, turned into katakana.

ROMAJI = {
    "A": "ア", "I": "イ", "U": "ウ", "E": "エ", "O": "オ",
    "KA": "カ", "KI": "キ", "KU": "ク", "KE": "ケ", "KO": "コ",
    "GA": "ガ", "GI": "ギ", "GU": "グ", "GE": "ゲ", "GO": "ゴ",
    "SA": "サ", "SHI": "シ", "SI": "シ", "SU": "ス", "SE": "セ", "SO": "ソ",
    "ZA": "ザ", "JI": "ジ", "ZI": "ジ", "ZU": "ズ", "ZE": "ゼ", "ZO": "ゾ",
    "TA": "タ", "CHI": "チ", "TI": "チ", "TSU": "ツ", "TU": "ツ", "TE": "テ", "TO": "ト",
    "DA": "ダ", "DI": "ヂ", "DZU": "ヅ", "DU": "ヅ", "DE": "デ", "DO": "ド",
    "NA": "ナ", "NI": "ニ", "NU": "ヌ", "NE": "ネ", "NO": "ノ",
    "HA": "ハ", "HI": "ヒ", "FU": "フ", "HU": "フ", "HE": "ヘ", "HO": "ホ",
    "BA": "バ", "BI": "ビ", "BU": "ブ", "BE": "ベ", "BO": "ボ",
    "PA": "パ", "PI": "ピ", "PU": "プ", "PE": "ペ", "PO": "ポ",
    "MA": "マ", "MI": "ミ", "MU": "ム", "ME": "メ", "MO": "モ",
    "YA": "ヤ", "YU": "ユ", "YO": "ヨ",
    "RA": "ラ", "RI": "リ", "RU": "ル", "RE": "レ", "RO": "ロ",
    "WA": "ワ", "WI": "ヰ", "WE": "ヱ", "WO": "ヲ",
    "KYA": "キャ", "KYU": "キュ", "KYO": "キョ", "GYA": "ギャ", "GYU": "ギュ", "GYO": "ギョ",
    "SHA": "シャ", "SHU": "シュ", "SHO": "ショ", "SYA": "シャ", "SYU": "シュ", "SYO": "ショ",
    "JA": "ジャ", "JU": "ジュ", "JO": "ジョ", "ZYA": "ジャ", "ZYU": "ジュ", "ZYO": "ジョ",
    "CHA": "チャ", "CHU": "チュ", "CHO": "チョ", "TYA": "チャ", "TYU": "チュ", "TYO": "チョ",
    "NYA": "ニャ", "NYU": "ニュ", "NYO": "ニョ", "HYA": "ヒャ", "HYU": "ヒュ", "HYO": "ヒョ",
    "BYA": "ビャ", "BYU": "ビュ", "BYO": "ビョ", "PYA": "ピャ", "PYU": "ピュ", "PYO": "ピョ",
    "MYA": "ミャ", "MYU": "ミュ", "MYO": "ミョ", "RYA": "リャ", "RYU": "リュ", "RYO": "リョ",
    "KWA": "クヮ", "GWA": "グヮ",
}
VOWELS = set("AIUEO")


def romaji_to_katakana(romaji):
    """Katakana for one romanised reading; None when it does not parse."""
    kana = []
    i = 0
    while i < len(romaji):
        c = romaji[i]
        nxt = romaji[i + 1] if i + 1 < len(romaji) else ""
        if c == "N" and (nxt == "" or (nxt not in VOWELS and nxt != "Y")):
            kana.append("ン")
            i += 1
            continue
        if c not in VOWELS and c == nxt and c != "N":
            kana.append("ッ")
            i += 1
            continue
        if c == "T" and romaji.startswith("TCH", i):
            kana.append("ッ")
            i += 1
            continue
        for size in (3, 2, 1):
            piece = romaji[i:i + size]
            if piece in ROMAJI:
                kana.append(ROMAJI[piece])
                i += size
                break
        else:
            return None
    return "".join(kana)


def unihan_lines(directory, name, fields):
    path = os.path.join(directory, name)
    opener = bz2.open if path.endswith(".bz2") else open
    if not os.path.exists(path) and os.path.exists(path + ".bz2"):
        path, opener = path + ".bz2", bz2.open
    with opener(path, "rt", encoding="utf-8") as f:
        for line in f:
            parts = line.rstrip("\n").split("\t")
            if len(parts) == 3 and parts[1] in fields:
                yield parts


def unihan_file(directory, stem):
    for name in (stem + ".txt", stem + ".txt.bz2"):
        if os.path.exists(os.path.join(directory, name)):
            return name
    raise SystemExit("missing %s in %s" % (stem, directory))


def jis_kanji(directory):
    """The kanji of JIS X 0208 levels 1 and 2 (rows 16 to 84)."""
    kanji = set()
    for code, _, value in unihan_lines(directory, unihan_file(directory, "Unihan_OtherMappings"), {"kJis0"}):
        if 16 <= int(value[:2]) <= 84:
            kanji.add(chr(int(code[2:], 16)))
    return kanji


def joyo_kanji(directory):
    """The 2,136 常用 kanji of 2010; the four whose form lies outside JIS X
    0208 by the form in it that stands for them (剥 for 剝)."""
    kanji, stand_ins = set(), {}
    for code, _, value in unihan_lines(directory, unihan_file(directory, "Unihan_OtherMappings"), {"kJoyoKanji"}):
        if value.startswith("U+"):
            stand_ins[chr(int(value[2:], 16))] = chr(int(code[2:], 16))
        else:
            kanji.add(chr(int(code[2:], 16)))
    return {stand_ins.get(k, k) for k in kanji}


def kanji_readings(directory):
    """kanji -> [(katakana reading, is_on)] in Unihan's order, on first."""
    on, kun = {}, {}
    for code, field, value in unihan_lines(directory, unihan_file(directory, "Unihan_Readings"),
                                           {"kJapaneseOn", "kJapaneseKun"}):
        target = on if field == "kJapaneseOn" else kun
        target[chr(int(code[2:], 16))] = value.split()
    readings = {}
    for k in set(on) | set(kun):
        found = []
        for romaji, is_on in [(r, True) for r in on.get(k, [])] + [(r, False) for r in kun.get(k, [])]:
            kana = romaji_to_katakana(romaji)
            if kana and kana not in [f[0] for f in found]:
                found.append((kana, is_on))
        if found:
            readings[k] = found
    return readings


# ---------------------------------------------------------------------------
# Words from IPADIC, and how well they tell their kanji.

def is_kanji(c):
    return "\u4e00" <= c <= "\u9fff" or c == "々"


def to_katakana(c):
    return chr(ord(c) + 0x60) if "\u3041" <= c <= "\u3096" else c


def is_katakana_text(text):
    return bool(text) and all("\u30a1" <= c <= "\u30fc" for c in text)


def kanji_of(surface):
    """The kanji of a word in order, without its kana: the spellings 受付 and
    受け付け are one word."""
    return "".join(c for c in surface if is_kanji(c))


class Ipadic:
    """IPADIC's source files, read once.

    words: (surface, reading, cost, is_noun, is_proper) of the words worth
    using, the lowest cost of each surface and reading.
    sounds: reading -> the kanji spellings of IPADIC's common nouns (proper
    nouns left out) read so; a word whose reading another spelling shares
    does not tell its kanji."""

    def __init__(self, directory):
        best = {}
        self.sounds = {}
        for path in sorted(glob.glob(os.path.join(directory, "*.csv"))):
            name = os.path.basename(path)
            if name in IPADIC_SKIPPED:
                continue
            proper = name in IPADIC_LAST_RESORT
            common_noun = name.startswith("Noun") and not proper
            with open(path, encoding="euc_jp", errors="replace") as f:
                for line in f:
                    parts = line.rstrip("\n").split(",")
                    if len(parts) < 12:
                        continue
                    surface, cost, pos, reading = parts[0], int(parts[3]), parts[4], parts[11]
                    if not is_katakana_text(reading):
                        continue
                    if common_noun and kanji_of(surface):
                        self.sounds.setdefault(reading, set()).add(kanji_of(surface))
                    if not 2 <= len(surface) <= 4:
                        continue
                    if not all(is_kanji(c) or "\u3041" <= c <= "\u3093" for c in surface):
                        continue
                    if sum(1 for c in surface if is_kanji(c)) < 2 and len(surface) < 3:
                        continue
                    key = (surface, reading)
                    if key not in best or cost < best[key][0]:
                        best[key] = (cost, pos == "名詞", proper)
        self.words = [(s, r, c, n, p) for (s, r), (c, n, p) in best.items()]

    def has_homophone(self, surface, reading):
        return bool(self.sounds.get(reading, set()) - {kanji_of(surface)})


# Kanji of these frequency ranks or better make a word that most listeners
# know.
FREQUENT_RANK = 1000
# A kanji without a rank (outside the 2,500 most used) counts as this.
UNRANKED = 9999


def kanji_frequencies(path):
    """kanji -> frequency rank from KANJIDIC (the F field: 1 is the most used
    kanji in newspapers, 2,500 the last one ranked)."""
    ranks = {}
    with open(path, encoding="euc_jp", errors="replace") as f:
        for line in f:
            fields = line.split(" ")
            if line.startswith("#") or len(fields) < 3:
                continue
            for field in fields[2:]:
                if field.startswith("{"):
                    break
                if field[:1] == "F" and field[1:].isdigit():
                    ranks[fields[0]] = int(field[1:])
                    break
    return ranks


def rarest(surface, ranks, skip=None):
    """The highest frequency rank among the kanji of a word, leaving `skip`
    out (and 々, which repeats the kanji before it)."""
    return max((ranks.get(c, UNRANKED) for c in kanji_of(surface) if c not in (skip, "々")), default=0)


VOICED = {a: b for a, b in zip("カキクケコサシスセソタチツテトハヒフヘホ",
                                  "ガギグゲゴザジズゼゾダヂヅデドバビブベボ")}


def variants(reading):
    """A reading as it may sound inside a word: voiced at the start, its
    last ツ, チ, ク or キ doubled into ッ, a ハ-row start as パ."""
    out = {reading}
    first = reading[0]
    if first in VOICED:
        out.add(VOICED[first] + reading[1:])
    if first in "ハヒフヘホ":
        out.add(chr(ord(first) + 2) + reading[1:])
    if len(reading) >= 2 and reading[-1] in "ツチクキ":
        out |= {v[:-1] + "ッ" for v in set(out)}
    return out


def split_reading(surface, reading, target, readings):
    """The part of `reading` that the character at `target` reads as, when
    the word splits with every kanji on one of its readings (the others may
    sound as inside a word, and stop short before kana that follow them);
    None otherwise."""
    def fits(k, part, is_target):
        own = [r for r, _ in readings.get(k, [])]
        if is_target:
            return part in own
        return any(part in variants(r) or (len(part) < len(r) and r.startswith(part)) for r in own)

    def walk(i, at):
        if i == len(surface):
            return "" if at == len(reading) else None
        c = surface[i]
        if not is_kanji(c):
            if at < len(reading) and reading[at] == to_katakana(c):
                return walk(i + 1, at + 1)
            return None
        k = surface[i - 1] if c == "々" and i > 0 else c
        for end in range(at + 1, len(reading) + 1):
            part = reading[at:end]
            if not fits(k, part, i == target):
                continue
            rest = walk(i + 1, end)
            if rest is not None:
                return part if i == target else rest
        return None

    return walk(0, 0)


# How much a word loses for each frequency rank of its rarest other kanji,
# against IPADIC's cost (a few thousand for most nouns): enough that a word
# of everyday kanji goes before one the analyser merely likes better (地点
# before 打点 for 点).
RANK_WEIGHT = 4
# What a word longer than two characters loses against one of two kanji.
LENGTH_COST = 500


def choose_words(kanji_set, readings, ipadic, ranks):
    """kanji -> (word, word reading, the kanji's reading) of the word that
    tells it best: one whose sound no other common noun has before one
    whose sound others share; then one of frequent kanji; a common noun
    before a proper one and before other words. Among those, the cost of
    the word in IPADIC (how likely the analyser picks it, which is a weak
    hint of how common it is) with the rank of its rarest other kanji."""
    best = {}
    for surface, reading, cost, noun, proper in ipadic.words:
        ambiguous = ipadic.has_homophone(surface, reading)
        for i, c in enumerate(surface):
            if c not in kanji_set or c not in readings or surface.count(c) > 1:
                continue
            others = rarest(surface, ranks, skip=c)
            score = (ambiguous, others > FREQUENT_RANK, proper, not noun,
                     cost + RANK_WEIGHT * others + (0 if len(surface) == 2 else LENGTH_COST))
            if c in best and best[c][0] <= score:
                continue
            part = split_reading(surface, reading, i, readings)
            if part:
                best[c] = (score, surface, reading, part)
    return {k: (s, r, p) for k, (_, s, r, p) in best.items()}


def measure(chosen, joyo, ipadic, ranks):
    """How many of the 常用 kanji are told by a word that has no homophone
    among IPADIC's common nouns and is made of kanji of frequency rank
    FREQUENT_RANK or better: (all its kanji so, its other kanji so, the
    number of 常用 kanji). More than half of the 常用 kanji are themselves
    ranked past FREQUENT_RANK (or not at all), so the first count cannot
    reach them."""
    whole = others = 0
    for k in joyo:
        if k not in chosen or ipadic.has_homophone(chosen[k][0], chosen[k][1]):
            continue
        whole += rarest(chosen[k][0], ranks) <= FREQUENT_RANK
        others += rarest(chosen[k][0], ranks, skip=k) <= FREQUENT_RANK
    return whole, others, len(joyo)


# ---------------------------------------------------------------------------
# Symbols, by hand. Kana, Latin letters and digits have none: their class
# reading ("ひらがな あ", then the bare kana) tells them, and a detailed
# reading would stand in its place at every key.

SYMBOLS = {
    "!": "カンタンフ", "\"": "ダブルクォーテーション", "#": "シャープ", "$": "ドル", "%": "パーセント",
    "&": "アンド", "'": "アポストロフィー", "(": "カッコ", ")": "カッコトジ", "*": "アスタリスク",
    "+": "プラス", ",": "カンマ", "-": "マイナス", ".": "ピリオド", "/": "スラッシュ",
    ":": "コロン", ";": "セミコロン", "<": "ショウナリ", "=": "イコール", ">": "ダイナリ",
    "?": "クエスチョン", "@": "アットマーク", "[": "カクカッコ", "\\": "バックスラッシュ",
    "]": "カクカッコトジ", "^": "キャレット", "_": "アンダーバー", "`": "バッククォート",
    "{": "ナミカッコ", "|": "タテセン", "}": "ナミカッコトジ", "~": "チルダ",
    "、": "トウテン", "。": "クテン", "・": "ナカテン", "「": "カギカッコ", "」": "カギカッコトジ",
    "『": "ニジュウカギカッコ", "』": "ニジュウカギカッコトジ", "（": "ゼンカク カッコ",
    "）": "ゼンカク カッコトジ", "ー": "チョウオン", "〜": "ナミセン", "…": "サンテンリーダー",
    "※": "コメジルシ", "〒": "ユウビン", "￥": "エン", "＠": "ゼンカク アットマーク",
    "　": "ゼンカク スペース", "々": "ノマ", "〇": "マル", "○": "マル", "●": "クロマル",
    "□": "シカク", "■": "クロシカク", "△": "サンカク", "▲": "クロサンカク", "☆": "ホシ",
    "★": "クロボシ", "→": "ミギヤジルシ", "←": "ヒダリヤジルシ", "↑": "ウエヤジルシ",
    "↓": "シタヤジルシ", "×": "カケル", "÷": "ワル",
}


# ---------------------------------------------------------------------------

def entry_line(character, reading):
    length = 4 + len(reading.encode("utf-16-le")) // 2
    if len(character.encode("utf-16-le")) != 2 or length > 99:
        raise ValueError("entry does not fit: %r %r" % (character, reading))
    return "%02d%s %s" % (length, character, reading)


HEADER = """# Radova.dic: detailed readings of single characters, one entry a line:
# two digits (the entry's length in UTF-16 units), the character, a space,
# the reading.
# Generated by speech/make_radova_dic.py from:
#  - Unihan (Unicode %s: kJis0, kJapaneseOn, kJapaneseKun), Copyright (c)
#    Unicode, Inc., under the Unicode License (see
#    https://www.unicode.org/license.txt). This file is modified data derived
#    from it: readings converted to katakana and joined with words.
#  - IPADIC 2.7.0 source dictionary (words and readings), Copyright (c)
#    Nara Institute of Science and Technology, with entries from ICOT Free
#    Software; use, reproduction and distribution are permitted provided the
#    copyright notice and the no-warranty terms go with it; distributed
#    AS IS, without warranty of any kind.
#  - KANJIDIC (frequency ranks of the kanji, to choose the words), Copyright
#    James William Breen and the Electronic Dictionary Research and
#    Development Group, under the Creative Commons Attribution-ShareAlike
#    Licence 4.0 (see https://www.edrdg.org/edrdg/licence.html). As far as
#    this file derives from it, it is shared under the same licence.
"""


def unicode_version(directory):
    path = os.path.join(directory, "ReadMe.txt")
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            for line in f:
                if "Unicode" in line and any(ch.isdigit() for ch in line):
                    for token in line.replace(",", " ").split():
                        if token[0].isdigit() and "." in token:
                            return token.rstrip(".")
    except OSError:
        pass
    return "data"


def chosen_words(unihan, ipadic, kanjidic):
    """The kanji of JIS X 0208, their Unihan readings, the word chosen for
    each, and the IPADIC words and kanji ranks they were chosen by."""
    kanji_set = jis_kanji(unihan)
    readings = kanji_readings(unihan)
    words = Ipadic(ipadic)
    ranks = kanji_frequencies(kanjidic)
    return kanji_set, readings, choose_words(kanji_set, readings, words, ranks), words, ranks


def build(unihan, ipadic, kanjidic):
    kanji_set, readings, chosen, _, _ = chosen_words(unihan, ipadic, kanjidic)
    lines = [HEADER.rstrip("\n") % unicode_version(unihan)]
    for character, reading in SYMBOLS.items():
        lines.append(entry_line(character, reading))
    for k in sorted(kanji_set):
        if k not in readings:
            continue
        if k in chosen:
            _, word, part = chosen[k]
            text = word + "ノ " + part
        else:
            # No word fits: the kanji's own reading, a kun reading first.
            own = readings[k]
            text = next((r for r, is_on in own if not is_on), own[0][0])
        lines.append(entry_line(k, text))
    return "\r\n".join(lines) + "\r\n"


def extract_unihan(unihan, output):
    with open(output, "w", encoding="utf-8", newline="\n") as out:
        for code, field, value in unihan_lines(unihan, unihan_file(unihan, "Unihan_OtherMappings"), {"kJis0"}):
            out.write("%s\t%s\t%s\n" % (code, field, value))
        for code, field, value in unihan_lines(unihan, unihan_file(unihan, "Unihan_Readings"),
                                               {"kJapaneseOn", "kJapaneseKun"}):
            out.write("%s\t%s\t%s\n" % (code, field, value))


def main():
    parser = argparse.ArgumentParser(description="Writes Radova.dic.")
    parser.add_argument("output", nargs="?")
    parser.add_argument("--unihan", default=UNIHAN_DIR)
    parser.add_argument("--ipadic", default=IPADIC_DIR)
    parser.add_argument("--kanjidic", default=KANJIDIC_FILE)
    parser.add_argument("--extract-unihan", action="store_true")
    parser.add_argument("--measure", type=float, metavar="LEAST",
                        help="print how many 常用 kanji a clear word of frequent kanji tells, and fail "
                             "when it is less than the share LEAST (0 to 1)")
    args = parser.parse_args()
    if args.measure is not None:
        # Not a step of the build: a check of the words chosen, for the tests.
        _, _, chosen, words, ranks = chosen_words(args.unihan, args.ipadic, args.kanjidic)
        whole, others, total = measure(chosen, joyo_kanji(args.unihan), words, ranks)
        print("常用 kanji told by a word with no homophone among IPADIC's common nouns, made of kanji of "
              "frequency rank %d or better: %d of %d (%.1f%%); counting its other kanji only: %d (%.1f%%)"
              % (FREQUENT_RANK, whole, total, 100.0 * whole / total, others, 100.0 * others / total))
        return 0 if whole >= args.measure * total else 1
    if not args.output:
        parser.error("the output file is missing")
    if args.extract_unihan:
        extract_unihan(args.unihan, args.output)
        return 0
    text = build(args.unihan, args.ipadic, args.kanjidic)
    temporary = args.output + ".tmp"
    with open(temporary, "w", encoding="utf-8-sig", newline="") as f:
        f.write(text)
    os.replace(temporary, args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
