#!/usr/bin/env python3
"""Writes "Radova.dic", the detailed readings of single characters.

Each kanji of JIS X 0208 levels 1 and 2 that has a Japanese reading is read
as a common word that holds it, the particle ノ and the kanji's own reading
in that word ("サンミャクノ サン"). The words and their readings come from
IPADIC's source files (the word cost tells how common a word is), the
kanji's readings from Unihan (kJapaneseOn, kJapaneseKun). A word is taken
only when its reading splits over its characters so that the kanji's part
is exactly one of the kanji's own readings. A kanji no word fits is read by
its reading alone. Kana are read by the Japanese phonetic alphabet, Latin
letters by their names, digits and common symbols by their names.

Every entry is one line: two digits giving the entry's length in UTF-16
units (from the first digit up to the line end), the character, a space and
its reading. Lines that begin otherwise are comments.

Usage: make_radova_dic.py OUTPUT [--unihan DIR] [--ipadic DIR]
       make_radova_dic.py --extract-unihan OUTPUT [--unihan DIR]
The second form copies the Unihan lines the dictionary is made from (JIS
codes and Japanese readings) into a plain text file, for the tests.
"""

import argparse
import bz2
import glob
import os
import sys

UNIHAN_DIR = "/usr/share/unicode"
IPADIC_DIR = "/usr/share/mecab/dic/ipadic"

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
# Words from IPADIC.

def is_kanji(c):
    return "\u4e00" <= c <= "\u9fff" or c == "々"


def to_katakana(c):
    return chr(ord(c) + 0x60) if "\u3041" <= c <= "\u3096" else c


def is_katakana_text(text):
    return bool(text) and all("\u30a1" <= c <= "\u30fc" for c in text)


def ipadic_words(directory):
    """(surface, reading, cost, is_noun) of the words worth using; the cost
    of a proper noun is raised so that a common word goes first."""
    words = {}
    for path in sorted(glob.glob(os.path.join(directory, "*.csv"))):
        name = os.path.basename(path)
        if name in IPADIC_SKIPPED:
            continue
        penalty = 5000 if name in IPADIC_LAST_RESORT else 0
        with open(path, encoding="euc_jp", errors="replace") as f:
            for line in f:
                parts = line.rstrip("\n").split(",")
                if len(parts) < 12:
                    continue
                surface, cost, pos, reading = parts[0], int(parts[3]) + penalty, parts[4], parts[11]
                if not 2 <= len(surface) <= 4 or not is_katakana_text(reading):
                    continue
                if not all(is_kanji(c) or "\u3041" <= c <= "\u3093" for c in surface):
                    continue
                if sum(1 for c in surface if is_kanji(c)) < 2 and len(surface) < 3:
                    continue
                key = (surface, reading)
                if key not in words or cost < words[key][0]:
                    words[key] = (cost, pos == "名詞")
    return [(s, r, c, n) for (s, r), (c, n) in words.items()]


SMALL_TSU_BEFORE = set("カキクケコサシスセソタチツテトパピプペポ")
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


def choose_words(kanji_set, readings, words):
    """kanji -> (word reading, the kanji's reading) of the most common word."""
    best = {}
    for surface, reading, cost, noun in words:
        score = cost + (0 if noun else 2000) + (0 if len(surface) == 2 else 1000)
        for i, c in enumerate(surface):
            if c not in kanji_set or c not in readings or surface.count(c) > 1:
                continue
            if c in best and best[c][0] <= score:
                continue
            part = split_reading(surface, reading, i, readings)
            if part:
                best[c] = (score, reading, part)
    return {k: (r, p) for k, (_, r, p) in best.items()}


# ---------------------------------------------------------------------------
# Kana, letters, digits and symbols, by hand.

# The Japanese phonetic alphabet: the word that tells each kana.
PHONETIC = {
    "ア": "アサヒ", "イ": "イロハ", "ウ": "ウエノ", "エ": "エイゴ", "オ": "オオサカ",
    "カ": "カワセ", "キ": "キッテ", "ク": "クラブ", "ケ": "ケシキ", "コ": "コドモ",
    "サ": "サクラ", "シ": "シンブン", "ス": "スズメ", "セ": "セカイ", "ソ": "ソロバン",
    "タ": "タバコ", "チ": "チドリ", "ツ": "ツルカメ", "テ": "テガミ", "ト": "トウキョウ",
    "ナ": "ナゴヤ", "ニ": "ニッポン", "ヌ": "ヌマヅ", "ネ": "ネズミ", "ノ": "ノハラ",
    "ハ": "ハガキ", "ヒ": "ヒコウキ", "フ": "フジサン", "ヘ": "ヘイワ", "ホ": "ホケン",
    "マ": "マッチ", "ミ": "ミカサ", "ム": "ムセン", "メ": "メイジ", "モ": "モミジ",
    "ヤ": "ヤマト", "ユ": "ユミヤ", "ヨ": "ヨシノ",
    "ラ": "ラジオ", "リ": "リンゴ", "ル": "ルスイ", "レ": "レンゲ", "ロ": "ローマ",
    "ワ": "ワラビ", "ヰ": "イド", "ヱ": "カギノアル", "ヲ": "オワリ", "ン": "オシマイ",
}
SMALL = {"ァ": "ア", "ィ": "イ", "ゥ": "ウ", "ェ": "エ", "ォ": "オ", "ッ": "ツ",
         "ャ": "ヤ", "ュ": "ユ", "ョ": "ヨ", "ヮ": "ワ", "ヵ": "カ", "ヶ": "ケ"}
SEMI_VOICED = {a: b for a, b in zip("ハヒフヘホ", "パピプペポ")}


def kana_reading(k):
    """The phonetic-alphabet reading of one katakana."""
    if k in PHONETIC:
        return PHONETIC[k] + "ノ " + k
    if k in SMALL:
        return "チイサイ " + kana_reading(SMALL[k])
    for plain, voiced in VOICED.items():
        if voiced == k:
            return kana_reading(plain) + "ニ ダクテン"
    for plain, semi in SEMI_VOICED.items():
        if semi == k:
            return kana_reading(plain) + "ニ ハンダクテン"
    if k == "ヴ":
        return kana_reading("ウ") + "ニ ダクテン"
    return None


LETTER_NAMES = ["エー", "ビー", "シー", "ディー", "イー", "エフ", "ジー", "エイチ", "アイ", "ジェー",
                "ケー", "エル", "エム", "エヌ", "オー", "ピー", "キュー", "アール", "エス", "ティー",
                "ユー", "ブイ", "ダブリュー", "エックス", "ワイ", "ゼット"]
DIGIT_NAMES = ["ゼロ", "イチ", "ニ", "サン", "ヨン", "ゴ", "ロク", "ナナ", "ハチ", "キュウ"]
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


def fixed_entries():
    """(character, reading) for the kana, letters, digits and symbols."""
    out = []
    for code in range(0x30A1, 0x30F5):
        k = chr(code)
        reading = kana_reading(k)
        if not reading:
            continue
        # Hiragana by their phonetic word; katakana say they are katakana.
        hira = chr(code - 0x60)
        if "\u3041" <= hira <= "\u3094":
            out.append((hira, reading))
        out.append((k, "カタカナ " + reading))
    for i, name in enumerate(LETTER_NAMES):
        out.append((chr(ord("A") + i), "オオモジ " + name))
        out.append((chr(ord("a") + i), name))
    for i, name in enumerate(DIGIT_NAMES):
        out.append((str(i), name))
    out.extend(SYMBOLS.items())
    return out


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


def build(unihan, ipadic):
    kanji_set = jis_kanji(unihan)
    readings = kanji_readings(unihan)
    chosen = choose_words(kanji_set, readings, ipadic_words(ipadic))
    lines = [HEADER.rstrip("\n") % unicode_version(unihan)]
    for character, reading in fixed_entries():
        lines.append(entry_line(character, reading))
    for k in sorted(kanji_set):
        if k not in readings:
            continue
        if k in chosen:
            word, part = chosen[k]
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
    parser.add_argument("output")
    parser.add_argument("--unihan", default=UNIHAN_DIR)
    parser.add_argument("--ipadic", default=IPADIC_DIR)
    parser.add_argument("--extract-unihan", action="store_true")
    args = parser.parse_args()
    if args.extract_unihan:
        extract_unihan(args.unihan, args.output)
        return 0
    text = build(args.unihan, args.ipadic)
    temporary = args.output + ".tmp"
    with open(temporary, "w", encoding="utf-8-sig", newline="") as f:
        f.write(text)
    os.replace(temporary, args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
