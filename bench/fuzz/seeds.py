#!/usr/bin/env python3
"""Seed corpora for the fuzz targets, from the project's own files: every `file` block of the
scenario files (written as the scenario runner writes them: CP932, CR LF, \\xNN raw), the
default font list in data/, the scenario files themselves, and CUE sheets of the demo disc
layout (naming the two WAV files the CUE targets provide) plus a few awkward ones.

Usage: seeds.py SOURCE_DIR CORPUS_DIR"""
import hashlib
import pathlib
import re
import sys

src = pathlib.Path(sys.argv[1])
out = pathlib.Path(sys.argv[2])


def block_bytes(line):
    """One block line as the scenario runner writes it."""
    data = bytearray()
    i = 0
    while i < len(line):
        if line.startswith('\\x', i) and re.match(r'[0-9A-Fa-f]{2}', line[i + 2:i + 4]):
            data.append(int(line[i + 2:i + 4], 16))
            i += 4
        elif line.startswith('\\\\', i):
            data += b'\\'
            i += 2
        else:
            data += line[i].encode('cp932', errors='replace')
            i += 1
    return bytes(data)


def put(target, data):
    d = out / target
    d.mkdir(parents=True, exist_ok=True)
    (d / hashlib.sha1(data).hexdigest()[:16]).write_bytes(data)


def target_of(name):
    base = name.rsplit('/', 1)[-1].upper()
    if base.endswith('.INI'):
        return ['settings']
    if base.endswith('.FOT') or base.endswith('.FOX'):
        return ['font_list']
    if base == 'LIRAFOK.TXT' or base == 'LIRAFOK.BAK':
        return ['catalogue']
    if re.match(r'^[0-9A-Z]{8}\.[0-9A-Z][0-9]{2}$', base):
        return ['lyrics_display', 'lyrics_setter', 'lyrics_editor']
    return []


for scn in sorted((src / 'tests' / 'scenarios').glob('*.scn')):
    text = scn.read_text(encoding='utf-8')
    put('scenario', text.encode('utf-8'))
    lines = text.split('\n')
    i = 0
    while i < len(lines):
        m = re.match(r'^file (\S+)\s*$', lines[i])
        if not m:
            i += 1
            continue
        body = []
        i += 1
        while i < len(lines) and lines[i] != 'end':
            body.append(block_bytes(lines[i]))
            i += 1
        data = b''.join(b + b'\r\n' for b in body)
        for t in target_of(m.group(1)):
            if t == 'catalogue':
                key = data[:9] if len(data) >= 9 else b'123456789'
                put(t, key + data)
            else:
                put(t, data)
        put('text', data)
        i += 1

fox = src / 'data' / 'LIRAFOK.FOX'
if fox.exists():
    put('font_list', fox.read_bytes())
    put('text', fox.read_bytes())

cues = [
    'PERFORMER "LIRAFOK Chorus"\r\nTITLE "LIRAFOK Demo Disc"\r\n'
    'FILE "01.wav" WAVE\r\n  TRACK 01 AUDIO\r\n    TITLE "はじまり"\r\n    INDEX 01 00:00:00\r\n'
    'FILE "02.wav" WAVE\r\n  TRACK 02 AUDIO\r\n    TITLE "おわり"\r\n    INDEX 01 00:00:00\r\n',
    'FILE "01.wav" WAVE\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n'
    '  TRACK 02 AUDIO\r\n    PREGAP 00:02:00\r\n    INDEX 00 00:00:40\r\n    INDEX 01 00:00:50\r\n'
    'FILE "02.wav" WAVE\r\n  TRACK 03 AUDIO\r\n    INDEX 01 00:00:00\r\n    POSTGAP 00:01:00\r\n',
    'FILE "01.wav" WAVE\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:30\r\n'
    '  TRACK 02 AUDIO\r\n    INDEX 01 00:00:10\r\n',
    'FILE "../01.wav" WAVE\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n',
    'FILE "01.WAV" WAVE\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n'
    'FILE "02.flac" WAVE\r\n  TRACK 02 AUDIO\r\n    INDEX 01 00:00:00\r\n',
    'FILE "disc.bin" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n',
]
# The layouts rippers write (gaps appended, a hidden track, raw images of each kind) and their
# encodings (UTF-16 with a byte-order mark, CP1252, CR line ends, lower case).
appended = ('FILE "01.wav" WAVE\r\n  TRACK 01 AUDIO\r\n    INDEX 00 00:00:00\r\n'
            '    INDEX 01 00:00:30\r\n  TRACK 02 AUDIO\r\n    INDEX 00 00:01:00\r\n'
            'FILE "02.wav" WAVE\r\n    INDEX 01 00:00:00\r\n')
cues += [
    appended,
    'FILE "disc.bin" MOTOROLA\r\n  TRACK 01 CDG\r\n    INDEX 01 00:00:00\r\n'
    '  TRACK 02 MODE1/2048\r\n    PREGAP 00:02:00\r\n    INDEX 01 00:00:20\r\n',
    'file 01.wav wave\rtrack 1 audio\rindex 1 0\rtrack 2 audio\rindex 0 1:00\rindex 1 75\r'
    'FILE "01.wav" WAVE\rTRACK 3 AUDIO\rINDEX 1 1:10\r',
]
byte_cues = [b'\xff\xfe' + appended.encode('utf-16-le'), b'\xfe\xff' + appended.encode('utf-16-be'),
             b'TITLE "Don\x92t Stop"\r\n' + appended.encode()]
for c in cues:
    byte_cues.append(c.encode('cp932'))
for c in byte_cues:
    for t in ('cue', 'virtual_drive'):
        put(t, c)
    put('text', c)
