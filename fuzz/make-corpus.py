#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target under tests/fuzz-corpus/.

The seeds are small real examples: schedule records, settings files, source
code files, receiver answers, help text in RTF and log lines. The answer
target reads its input the way libFuzzer's FuzzedDataProvider hands it out
(numbers from the end, text pieces from the front), so its seeds are encoded
here in that layout.
"""
import os
import sys

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'fuzz-corpus')


def put(target, name, data):
    folder = os.path.join(ROOT, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode('cp1252')
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)


def record(in_use, name, length, lang, port, route, att, remote, receiver, times):
    r = in_use + name.ljust(25)[:25] + length.ljust(5) + lang.ljust(3) + port + route + att.ljust(2) + remote + receiver
    r += ''.join(t.ljust(8) for t in times)
    assert len(r) == 96
    return r.encode('cp1252')


def receiver_lines(lines):
    return ''.join(line + '\r\n' for line in lines) + '>'


CARRIER_DATA = receiver_lines([
    'CARRIER DATA', 'Tuner          : L-Band 1', 'Frequency (MHz): 1210.000',
    'Symbol rate    : 19.510 Msps', 'Modulation     : QPSK', 'FEC rate       : 3/4',
    'Polarization   : Horizontal', 'Carrier lock   : Locked', 'Signal (dBm)   : -42',
    'AGC            : 128', 'BER            : 1.0E-08',
    'Eb/No (dB)     :' + ' ' * 12 + '8.5'.rjust(8), 'Frame sync     : Locked'])


def schedules():
    t = 'fuzz_schedulerecord'
    week = ['', '06:00:00', '06:00:00', '06:00:00', '06:00:00', '06:00:00', '']
    morning = record('1', 'Morning News', '05:00', 'ENG', '2', '2', '7', '2', '1', week)
    mass = record('1', '  Messe en fran\u00e7ais', '', 'FRA', ' ', '3', '14', '3', '2',
                  ['09:30:00', '', '', '', '', '', '23:59:59'])
    put(t, 'morning-news.dat', morning)
    put(t, 'fresh.dat', b'1' + b' ' * 95)
    put(t, 'deleted.dat', b'0' + morning[1:])
    put(t, 'leading-spaces-and-accents.dat', mass)
    put(t, 'three-records-one-deleted.dat', morning + b'0' + b' ' * 95 + mass)
    put(t, 'partial-tail.dat', morning + morning[:40])


def settings():
    t = 'fuzz_settings'
    put(t, 'two-receivers-model-500.ini', '221201w131')
    put(t, 'six-bytes.ini', '1211dy')
    put(t, 'older-file-with-extra-bytes.ini', '1101110d10XY')
    put(t, 'time-reset.ini', '54:30')
    put(t, 'time-reset-four-characters.ini', '54:3 ')
    put(t, 'empty.ini', '')


def source_codes():
    t = 'fuzz_sourcecodes'
    put(t, 'two-codes.dat', 'ENG\r\nSPA\r\n\r\n')
    put(t, 'no-codes.dat', '\r\n')
    put(t, 'digits-and-empty-code.dat', '007\r\n\r\nENG\r\n\r\n')
    put(t, 'without-final-line.dat', 'ENG\r\nSPA')
    put(t, 'comma-inside.dat', 'EN,G\r\nFRA\r\n\r\n')
    put(t, 'lower-case-and-accents.dat', 'eng\r\n\u00e9t\u00e9\r\nFRA\r\n\r\n')


def ebno():
    t = 'fuzz_ebno'
    put(t, 'carrier-data.txt', CARRIER_DATA)
    put(t, 'short-twelfth-line.txt', receiver_lines(['line'] * 11 + ['12.5', 'end']))
    put(t, 'long-twelfth-line.txt', receiver_lines(['x'] * 11 + ['Eb/No ' + 'y' * 30 + '  -3.75', 'end']))
    put(t, 'too-few-lines.txt', receiver_lines(['CARRIER DATA', 'Eb/No 8.5']))
    put(t, 'no-answer.txt', '')
    put(t, 'exponent.txt', receiver_lines(['x'] * 11 + ['9.5e1', 'end']))
    put(t, 'log-line.txt', '14:00:12 R2 8.5dB')


class Provider:
    """Bytes laid out for FuzzedDataProvider: numbers taken from the end,
    text pieces from the front (a piece ends at a backslash and another
    character)."""

    def __init__(self):
        self.front = b''
        self.tail = []  # in the order the target takes them

    def boolean(self, value):
        self.tail.append(1 if value else 0)

    def integer(self, value, low, high):
        span = high - low
        count = 0
        while count < 4 and (span >> (8 * count)) > 0:
            count += 1
        offset = value - low
        self.tail.extend((offset >> (8 * (count - 1 - i))) & 0xFF for i in range(count))

    def text(self, data):
        if isinstance(data, str):
            data = data.encode('cp1252')
        assert len(data) < 64  # a piece of 64 would leave its end mark for the next
        self.front += data.replace(b'\\', b'\\\\') + b'\\n'

    def data(self):
        return self.front + bytes(reversed(self.tail))


def answer(name, start_ms, kind, pieces, near_midnight=False):
    p = Provider()
    p.boolean(near_midnight)
    if near_midnight:
        p.integer(86400000 - start_ms, 1, 6000)
    else:
        p.integer(start_ms, 0, 86399999)
    p.integer(kind, 0, 3)
    for delay, data in pieces:
        p.integer(delay, 0, 400)
        p.text(data)
    put('fuzz_answer', name, p.data())


def chunks(text, size):
    return [text[i:i + size] for i in range(0, len(text), size)]


def answers():
    noon = 12 * 3600 * 1000
    answer('carrier-data-in-pieces', noon, 0, [(50, c) for c in chunks(CARRIER_DATA, 60)])
    answer('carrier-data-just-before-midnight', 86399700, 0, [(100, c) for c in chunks(CARRIER_DATA, 60)],
           near_midnight=True)
    status = receiver_lines(['CARRIER STATUS'] + ['Tuner.......... status %03d  nominal >' % i for i in range(20)])
    answer('carrier-status-prompts-inside', noon + 400, 1, [(20, c) for c in chunks(status, 60)])
    answer('relay-status-after-relay-prompt', noon + 600, 3,
           [(30, '\r\n>'), (200, 'RELAY STATUS\r\nRelay 1: Closed\r\n'), (100, 'Relay 2: Open\r\n>')])
    answer('silent-receiver-limit-b', noon + 500, 2, [])


def rtf():
    t = 'fuzz_rtf'
    put(t, 'help-page.rtf',
        '{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl{\\f0\\fswiss MS Sans Serif;}{\\f1\\fnil Courier New;}}\n'
        '{\\colortbl ;\\red255\\green0\\blue0;}\n'
        '\\pard\\qc{\\b\\fs28 Kestrelpoint Help}\\par\n'
        '\\pard\\sb120\\sa60{Open the schedule editor from the }{\\i Schedules}{ menu.}\\par\n'
        '\\pard{\\f1 SETAUDIO 2 S ENG 7 }{\\cf1 caf\\\'e9 \\u8364? \\{braces\\} \\\\}\\line next\\tab tab}\n')
    put(t, 'ignorable-destinations.rtf',
        '{\\rtf1{\\*\\generator Writer;}{\\info{\\title Help}}{\\stylesheet{\\s0 Normal;}}'
        'Text{\\*\\unknown hidden}\\uc2\\u20013??x\\bin3 abc after}')
    put(t, 'unbalanced.rtf', '{\\rtf1 {\\b open group\\par never closed')
    put(t, 'plain-text.txt', 'Not RTF at all.\r\nSecond line caf\xe9.\r\n')


def logs():
    t = 'fuzz_eventsortkey'
    put(t, 'activity-log.log',
        '14:00:12  Morning News              SETAUDIO 2 S ENG 7  \r\n'
        '14:00:14  Morning News              SETAUDIO 2 S ENG 7  \r\n'
        '15:30:00  Remote Start 1\r\n10:00:15  Alarm\r\n')
    put(t, 'ebno-one-receiver.log', '14:00:12  8.5\r\n15:00:12  12.5\r\n16:00:12  None\r\n17:00:12  \n9.8\r\n')
    put(t, 'ebno-two-receivers.log', '14:00:12 R1 8.5\r\n14:00:13 R2 9.8\r\n15:00:12 R1 None\r\n')
    put(t, 'mpeg-log.log', 'Receiver 1  14:00:16\r\nMPEG STATUS\r\nDecoder : Locked\r\n>\r\n')
    put(t, 'short-lines.log', '14:00\r\n\r\n1\r2\n3\r\n')
    put(t, 'file-names.txt', 'AL070325.log\nAL070326.log\nEB261205.log\nMP261205.log\nAL0703x6.log\nnotes.txt')


def main():
    schedules()
    settings()
    source_codes()
    ebno()
    answers()
    rtf()
    logs()
    return 0


if __name__ == '__main__':
    sys.exit(main())
