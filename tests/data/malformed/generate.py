#!/usr/bin/env python3
"""Writes the malformed-file corpus of tests/data/malformed/ and its expectations (cases.txt).

Every case is one input file (with, for some, a companion file beside it) and the outcome
vorsel-cli must give for it: the exact lines of the conversion log (standard output), the
exact message boxes (standard error), the exit status, and whether an output file remains.
tests/app/malformed_corpus_test.cpp runs each case in an empty folder and checks that outcome,
the run time, the peak memory and that nothing but the output appeared or changed.

Usage: tests/data/malformed/generate.py [FOLDER]   (default: the folder of this script)
The output is committed; the corpus test fails when it no longer matches this script.
"""

import math
import os
import struct
import sys

CASES = []  # (relative path, bytes, record lines)

LAYOUT_DROPPED = ("{dir}/{name} has an SMP header chunk whose channel layout does not fit; the "
                  "channels keep their plain order.")


def le16(v):
    return struct.pack("<H", v & 0xFFFF)


def le32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def be16(v):
    return struct.pack(">H", v & 0xFFFF)


def be32(v):
    return struct.pack(">I", v & 0xFFFFFFFF)


def samples16le(values):
    return b"".join(struct.pack("<h", v) for v in values)


def samples16be(values):
    return b"".join(struct.pack(">h", v) for v in values)


RAMP = list(range(-3000, 3000, 150))  # 40 samples


# Log lines with which a converter or the batch leaves a file without its output.
REFUSAL_ENDINGS = ("Conversion aborted.", " - not converted, the output would overwrite the input",
                   "; not converted", ", CANCELED!", " - cancelled by user", "Data chunk skipped.")


def not_converted(out, err):
    """A refusal line, a message box or an error that ended the batch (the tool's own usage and
    start-up errors, "vorsel-cli: ...", come before any file)."""
    return (any(line.endswith(ending) for line in out for ending in REFUSAL_ENDINGS) or
            any(not line.startswith("vorsel-cli:") for line in err))


def add(path, data, *, out=(), err=(), status=None, output=None, samples=None, items=(),
        args="", action="to-smp", companions=(), name=None):
    """One case. `out` lists the log lines between the " -> " line and "Done". A file that is
    not converted gets the closing line of standard error that names it, and exit status 1."""
    folder, file_name = path.split("/")
    stem = file_name.rsplit(".", 1)[0]
    record = ["case " + path]
    if args:
        record.append("args " + args)
    if action != "to-smp":
        record.append("action " + action)
    for companion_path, companion_data in companions:
        CASES.append((companion_path, companion_data, None))
        record.append("with " + companion_path)
    lines = list(out)
    for line in lines:
        record.append("out " + line.replace("{name}", file_name).replace("{stem}", stem))
    err = tuple(err)
    if status != 2 and not_converted(lines, err):
        err += ("Not converted: {name}",)
        status = 1
    for line in err:
        record.append("err " + line.replace("{name}", file_name).replace("{stem}", stem))
    if status is None:
        status = 1 if err else 0
    record.append("status %d" % status)
    if output:
        record.append("output " + output.replace("{stem}", stem))
    else:
        record.append("nooutput")
    if samples is not None:
        record.append("samples %d" % samples)
    for item in items:
        record.append("item " + item)
    CASES.append((path, data, record))


def imported(progress, *extra, samples=None, items=()):
    """An import that writes its SMP file; `progress` is the converter's first log line."""
    return dict(out=(progress,) + extra + ("Done",), output="{stem}.smp", samples=samples,
                items=items)


def refused(progress, text):
    """An import refused with the message box of its format, before any output exists."""
    return dict(out=(progress, "Done"), err=("Cannot import file: {dir}/{name} " + text,))


# ---- WAV ----------------------------------------------------------------------------------

def fmt_body(tag=1, channels=1, rate=16000, bits=16, extra=b""):
    align = channels * ((bits + 7) // 8)
    return le16(tag) + le16(channels) + le32(rate) + le32(align * rate) + le16(align) + \
        le16(bits) + extra


def chunk_le(ident, body, size=None):
    data = ident + le32(len(body) if size is None else size) + body
    if len(body) % 2:
        data += b"\0"
    return data


def wav(fmt=None, chunks=b"", riff_size=None, fmt_size=None):
    fmt = fmt_body() if fmt is None else fmt
    body = b"WAVE" + chunk_le(b"fmt ", fmt, fmt_size) + chunks
    return b"RIFF" + le32(len(body) if riff_size is None else riff_size) + body


def smp_head(items, size=1024, comment=()):
    text = "".join(line + "\r\n" for line in items) + "=\r\n"
    text += "".join(line + "\r\n" for line in comment)
    head = text.encode("latin-1") + b"\0\x04\x1a"
    return head + b"\0" * max(0, size - len(head))


# A head whose items fill 32766 bytes: restored, it leaves no room for the import's own items.
FULL_HEAD = smp_head(["x%d=%s" % (i, "y" * 200) for i in range(158)] + ["z=" + "w" * 150], 32766)
TOO_FULL = ("{dir}/{name} has an SMP header chunk too full to take the import's items; those of the "
            "chunk are left out.")


def wav_cases():
    progress = "{name} -> {stem}.smp"
    not_wav = "does not appear to be a WAV file"
    good = wav(chunks=chunk_le(b"data", samples16le(RAMP)))
    add("wav/empty.wav", b"", **refused(progress, not_wav))
    # Truncated at every field boundary of the RIFF header and the format chunk.
    for cut in (3, 4, 8, 12, 16, 20, 22, 24, 28, 32, 34):
        add("wav/truncated-%02d.wav" % cut, good[:cut], **refused(progress, not_wav))
    # The header in full, then nothing, or a chunk header or body cut short.
    add("wav/truncated-36.wav", good[:36], **imported(progress, samples=0))
    add("wav/truncated-40.wav", good[:40], **imported(progress, samples=0))
    add("wav/truncated-data.wav", good[:44 + 21],
        **imported(progress, "{dir}/{name} ends 59 bytes before its header says", samples=10))
    # RIFF sizes: 0, 1 and odd leave no room for a chunk; sizes are unsigned, and one beyond the
    # file (the streaming marker 0xFFFFFFFF among them) walks to its end.
    data = chunk_le(b"data", samples16le(RAMP))
    # An odd size of 37 leaves 9 bytes after the format chunk: room for the data chunk's header.
    for label, size, count in (("0", 0, 0), ("1", 1, 0), ("odd", 37, 40), ("7fffffff", 0x7FFFFFFF, 40),
                               ("ffffffff", 0xFFFFFFFF, 40), ("80000000", 0x80000000, 40)):
        add("wav/riff-size-%s.wav" % label, wav(chunks=data, riff_size=size),
            **imported(progress, samples=count))
    # Format chunk sizes: too small for its fields, odd (one byte and its pad skipped),
    # negative, and larger than the file.
    add("wav/fmt-size-0.wav", wav(chunks=data, fmt_size=0), **refused(progress, not_wav))
    add("wav/fmt-size-ffffffff.wav", wav(chunks=data, fmt_size=0xFFFFFFFF),
        **refused(progress, not_wav))
    add("wav/fmt-size-odd.wav", wav(fmt=fmt_body(extra=b"\x07"), chunks=data),
        **imported(progress, samples=40))
    add("wav/fmt-size-7fffffff.wav", wav(chunks=data, fmt_size=0x7FFFFFFF),
        **imported(progress, samples=0))
    # Data chunk sizes: 0, 1 (an odd byte of 16-bit data is dropped), odd with its pad, more
    # than the file holds, and negative.
    add("wav/data-size-0.wav", wav(chunks=chunk_le(b"data", b"")), **imported(progress, samples=0))
    add("wav/data-size-1.wav", wav(chunks=chunk_le(b"data", b"\x01")), **imported(progress, samples=0))
    add("wav/data-size-odd-8bit.wav",
        wav(fmt=fmt_body(bits=8), chunks=chunk_le(b"data", bytes(range(0, 255, 4))) +
            chunk_le(b"data", b"\x80\x80")), **imported(progress, samples=66))
    add("wav/data-size-7fffffff.wav",
        wav(chunks=chunk_le(b"data", samples16le(RAMP), size=0x7FFFFFFF)),
        **imported(progress, "{dir}/{name} ends %d bytes before its header says" % (0x7FFFFFFF - 80),
                   samples=40))
    # The size a program streaming to a pipe writes: the data runs to the end of the file.
    add("wav/data-size-ffffffff.wav",
        wav(chunks=chunk_le(b"data", samples16le(RAMP), size=0xFFFFFFFF)),
        **imported(progress, samples=40))
    # Channels and rates: none, more than an SMP file holds, the largest field values.
    add("wav/channels-0.wav", wav(fmt=fmt_body(channels=0), chunks=data), **refused(progress, not_wav))
    add("wav/channels-129.wav", wav(fmt=fmt_body(channels=129), chunks=data),
        **refused(progress, "has 129 channels, more than an SMP file can hold (128)"))
    add("wav/channels-65535.wav", wav(fmt=fmt_body(channels=65535), chunks=data),
        **refused(progress, "has 65535 channels, more than an SMP file can hold (128)"))
    add("wav/rate-0.wav", wav(fmt=fmt_body(rate=0), chunks=data),
        **imported(progress, samples=40, items=("sftot=0",)))
    add("wav/rate-ffffffff.wav", wav(fmt=fmt_body(channels=2, rate=0xFFFFFFFF), chunks=data),
        **imported(progress, samples=40, items=("sftot=8589934590", "nchans=2")))
    # Codings the importer does not take, and bit counts it refuses inside the data chunk.
    add("wav/tag-adpcm.wav", wav(fmt=fmt_body(tag=2, bits=4), chunks=data), **refused(progress, not_wav))
    add("wav/tag-extensible.wav", wav(fmt=fmt_body(tag=0xFFFE, extra=b"\x16\0" + b"\0" * 22), chunks=data),
        **refused(progress, not_wav))
    add("wav/bits-20.wav", wav(fmt=fmt_body(bits=20), chunks=data),
        **imported(progress, "Bits per sample of 20is not supported. Conversion aborted.", samples=0))
    add("wav/bits-0.wav", wav(fmt=fmt_body(bits=0), chunks=data),
        **imported(progress, "Bits per sample of 0is not supported. Conversion aborted.", samples=0))
    # A second format chunk is one more unknown chunk; a first chunk other than "fmt " is no
    # WAV file.
    add("wav/second-fmt.wav", wav(chunks=chunk_le(b"fmt ", fmt_body(channels=2, bits=8)) + data),
        **imported(progress, samples=40, items=("nchans=1",)))
    add("wav/fact-first.wav",
        b"RIFF" + le32(4 + 12 + 24 + len(data)) + b"WAVE" + chunk_le(b"fact", le32(40)) +
        chunk_le(b"fmt ", fmt_body()) + data, **refused(progress, not_wav))
    # Many empty chunks end, and so does an odd chunk's pad byte before the data.
    add("wav/zero-size-chunks.wav", wav(chunks=chunk_le(b"LIST", b"") * 2000 + data),
        **imported(progress, samples=40))
    add("wav/odd-list.wav", wav(chunks=chunk_le(b"LIST", b"abc") + data), **imported(progress, samples=40))
    # Embedded heads: empty, claiming more than the file, after the samples, with a scan item
    # that fits none of the file's channels, with a size item beyond any head.
    add("wav/kelm-size-0.wav", wav(chunks=chunk_le(b"kelm", b"") + data),
        **imported(progress, samples=40, items=("view=-1,1",)))
    add("wav/kelm-size-7fffffff.wav",
        wav(chunks=chunk_le(b"kelm", smp_head(["view=-3,3", "unit=Pa"], 64), size=0x7FFFFFFF)),
        **imported(progress, samples=0, items=("view=-3,3", "unit=Pa")))
    add("wav/kelm-after-data.wav", wav(chunks=data + chunk_le(b"kelm", smp_head(["view=-3,3"], 64))),
        **imported(progress, "{dir}/{name} has an SMP header chunk after its samples; that header is ignored.",
                   samples=40, items=("view=-1,1",)))
    add("wav/kelm-invalid-scan.wav",
        wav(fmt=fmt_body(channels=2), chunks=chunk_le(b"kelm", smp_head(["scan=0,0,1"], 64)) + data),
        **imported(progress,
                   LAYOUT_DROPPED,
                   samples=40, items=("nchans=2", "scan=")))
    add("wav/kelm-head-size-huge.wav",
        wav(chunks=chunk_le(b"kelm", smp_head(["head=2000000000", "view=-3,3"], 64)) + data),
        **imported(progress, samples=40, items=("head=", "view=-3,3")))
    add("wav/kelm-head-size-any-case.wav",
        wav(chunks=chunk_le(b"kelm", smp_head(["HEAD=2000000000", "view=-3,3"], 64)) + data),
        **imported(progress, samples=40, items=("head=", "view=-3,3")))
    # A label file named by a "labels" item of another letter case is read, never written.
    add("wav/kelm-labels-any-case.wav",
        wav(chunks=chunk_le(b"kelm", smp_head(["LABELS=victim.csv", "labels=other.csv"], 64)) + data),
        companions=(("wav/victim.csv", b"source.smp\r\n1,2,a\r\n"),),
        **imported(progress, samples=40, items=("LABELS=",)))
    # A head naming a label file outside the input's and the output's folders: not read, and
    # the user's own label file beside the output stays as it is.
    add("wav/kelm-labels-outside.wav",
        wav(chunks=chunk_le(b"kelm", smp_head(["labels=../../../../etc/passwd"], 64)) + data),
        companions=(("wav/kelm-labels-outside.csv", b"my own labels\r\n1,2,mine\r\n"),),
        **imported(progress, "Labels of {dir}/{name} not restored: ../../../../etc/passwd lies "
                   "outside the input's and the output's folders", samples=40, items=("labels=",)))
    add("wav/kelm-too-full.wav", wav(chunks=chunk_le(b"kelm", FULL_HEAD) + data),
        **imported(progress, TOO_FULL, samples=40, items=("head=1024", "z=")))


# ---- AU -----------------------------------------------------------------------------------

def au(offset=24, size=0xFFFFFFFF, encoding=3, rate=8000, channels=1, rest=b""):
    return b".snd" + be32(offset) + be32(size) + be32(encoding) + be32(rate) + be32(channels) + rest


def au_cases():
    progress = "{name} -> {stem}.smp"
    not_au = "does not appear to be a AU file"
    good = au(rest=samples16be(RAMP))
    add("au/empty.au", b"", **refused(progress, not_au))
    for cut in (3, 4, 8, 12, 16, 20, 23):
        add("au/truncated-%02d.au" % cut, good[:cut], **refused(progress, not_au))
    add("au/header-only.au", good[:24], **imported(progress, samples=0))
    add("au/odd-data.au", good[:24 + 9], **imported(progress, samples=4))
    for encoding in (0, 8, 23, 28, 0xFFFFFFFF):
        add("au/encoding-%x.au" % encoding, au(encoding=encoding, rest=samples16be(RAMP)),
            **refused(progress, not_au))
    add("au/offset-0.au", au(offset=0, rest=samples16be(RAMP)), **imported(progress, samples=52))
    add("au/offset-odd.au", au(offset=25, rest=samples16be(RAMP)), **imported(progress, samples=39))
    add("au/offset-7fffffff.au", au(offset=0x7FFFFFFF, rest=samples16be(RAMP)), **imported(progress, samples=0))
    add("au/offset-ffffffff.au", au(offset=0xFFFFFFFF, rest=samples16be(RAMP)), **imported(progress, samples=0))
    add("au/size-0.au", au(size=0, encoding=1, rest=bytes(range(40))), **imported(progress, samples=40))
    add("au/channels-0.au", au(channels=0, rest=samples16be(RAMP)),
        **refused(progress, "has 0 channels and cannot be imported"))
    add("au/channels-129.au", au(channels=129, rest=samples16be(RAMP)),
        **refused(progress, "has 129 channels and cannot be imported"))
    add("au/channels-ffffffff.au", au(channels=0xFFFFFFFF, rest=samples16be(RAMP)),
        **refused(progress, "has 4294967295 channels and cannot be imported"))
    add("au/rate-0.au", au(rate=0, rest=samples16be(RAMP)), **imported(progress, samples=40, items=("sftot=0",)))
    add("au/rate-ffffffff.au", au(rate=0xFFFFFFFF, channels=2, rest=samples16be(RAMP)),
        **imported(progress, samples=40, items=("sftot=8589934590",)))
    head = smp_head(["view=-3,3"], 64)
    for label, size in (("0", 0), ("1", 1), ("32768", 32768), ("ffffffff", 0xFFFFFFFF)):
        add("au/kelm-size-%s.au" % label, au(offset=24 + 8 + 64, rest=b"kelm" + le32(size) + head + samples16be(RAMP)),
            **imported(progress, samples=40, items=("view=-1,1",)))
    add("au/kelm-invalid-scan.au",
        au(offset=24 + 8 + 64, channels=3, rest=b"kelm" + le32(64) + smp_head(["scan=0,1,0,1"], 64) + samples16be(RAMP)),
        **imported(progress,
                   LAYOUT_DROPPED,
                   samples=40, items=("nchans=3", "scan=")))
    add("au/kelm-head-size-huge.au",
        au(offset=24 + 8 + 64, rest=b"kelm" + le32(64) + smp_head(["head=99999", "view=-3,3"], 64) + samples16be(RAMP)),
        **imported(progress, samples=40, items=("head=1024", "view=-3,3")))
    add("au/kelm-too-full.au", au(offset=24 + 8 + len(FULL_HEAD), rest=b"kelm" + le32(len(FULL_HEAD)) + FULL_HEAD + samples16be(RAMP)),
        **imported(progress, TOO_FULL, samples=40, items=("head=1024", "z=")))


# ---- AIFF ---------------------------------------------------------------------------------

def extended(value):
    """The 10-byte big-endian extended real of a positive integer or 0."""
    if value == 0:
        return b"\0" * 10
    exponent = int(math.floor(math.log2(value)))
    mantissa = int(value * 2 ** (63 - exponent))
    return be16(16383 + exponent) + struct.pack(">Q", mantissa)


def chunk_be(ident, body, size=None):
    data = ident + be32(len(body) if size is None else size) + body
    if len(body) % 2:
        data += b"\0"
    return data


def comm(channels=1, frames=40, bits=16, rate=16000, compression=None):
    body = be16(channels) + be32(frames) + be16(bits) + (rate if isinstance(rate, bytes) else extended(rate))
    if compression is not None:
        body += compression + b"\x04none\0"
    return chunk_be(b"COMM", body)


def ssnd(data, size=None):
    return chunk_be(b"SSND", b"\0" * 8 + data, size)


def aiff(chunks, form_type=b"AIFF", form_size=None):
    body = form_type + chunks
    return b"FORM" + be32(len(body) if form_size is None else form_size) + body


def aiff_cases():
    progress = "{name} -> {stem}.smp"
    not_aiff = "does not appear to be an AIFF file"
    invalid = "Invalid data in {name}"
    short = "{dir}/{name} ends %d bytes before its header says"
    sound = ssnd(samples16be(RAMP))
    good = aiff(comm() + sound)
    add("aiff/empty.aif", b"", **refused(progress, not_aiff))
    for cut in (4, 8, 11):
        add("aiff/truncated-%02d.aif" % cut, good[:cut], **refused(progress, not_aiff))
    add("aiff/truncated-16.aif", good[:16], **imported(progress, invalid, samples=0))
    add("aiff/truncated-comm.aif", good[:30], **imported(progress, short % 104, samples=0))
    add("aiff/truncated-ssnd.aif", good[:len(good) - 41], **imported(progress, short % 41, samples=19))
    # FORM sizes: 0 and 4 leave nothing to walk; sizes beyond the end of the file walk to its
    # end, the streaming marker 0xFFFFFFFF without a word.
    for label, size, extra, count in (("0", 0, (), 0), ("4", 4, (), 0), ("ffffffff", 0xFFFFFFFF, (), 40),
                                      ("7fffffff", 0x7FFFFFFF, (short % 2147483521,), 40)):
        add("aiff/form-size-%s.aif" % label, aiff(comm() + sound, form_size=size),
            **imported(progress, *extra, samples=count))
    add("aiff/comm-channels-0.aif", aiff(comm(channels=0) + sound),
        **refused(progress, "has 0 channels and cannot be imported"))
    add("aiff/comm-channels-negative.aif", aiff(comm(channels=0x8000) + sound),
        **refused(progress, "has -32768 channels and cannot be imported"))
    add("aiff/comm-channels-129.aif", aiff(comm(channels=129) + sound),
        **refused(progress, "has 129 channels and cannot be imported"))
    add("aiff/comm-rate-0.aif", aiff(comm(rate=0) + sound), **imported(progress, samples=40, items=("sftot=0",)))
    add("aiff/comm-rate-infinite.aif", aiff(comm(rate=b"\x7f\xff" + b"\0" * 8) + sound),
        **imported(progress, samples=40))
    # A "COMM" chunk without a body is skipped: the sample size stays unknown.
    add("aiff/comm-size-0.aif", aiff(chunk_be(b"COMM", b"") + sound),
        **imported(progress, "Bits per sample of -1is not supported. Conversion aborted.", samples=0))
    add("aiff/bits-20.aif", aiff(comm(bits=20) + sound),
        **imported(progress, "Bits per sample of 20is not supported. Conversion aborted.", samples=0))
    add("aiff/bits-0.aif", aiff(comm(bits=0) + sound),
        **imported(progress, "Bits per sample of 0is not supported. Conversion aborted.", samples=0))
    add("aiff/ssnd-before-comm.aif", aiff(sound + comm()),
        **imported(progress, "Bits per sample of -1is not supported. Conversion aborted.", samples=0))
    add("aiff/second-comm.aif", aiff(comm(channels=2) + comm(channels=1, rate=8000) + sound),
        **imported(progress, samples=40, items=("nchans=1", "sftot=8000")))
    add("aiff/ssnd-size-7fffffff.aif", aiff(comm() + ssnd(samples16be(RAMP), size=0x7FFFFFFF)),
        **imported(progress, short % 2147483559, samples=40))
    add("aiff/aifc-ima4.aif", aiff(comm(compression=b"ima4") + sound, form_type=b"AIFC"),
        out=(progress, "Done"), err=("Unsupported file format: ima4 compressed files are not supported",))
    add("aiff/aifc-binary-compression.aif", aiff(comm(compression=b"\x00\x01\xff\x7f") + sound, form_type=b"AIFC"),
        out=(progress, "Done"), err=("Unsupported file format: ???? compressed files are not supported",))
    add("aiff/aifc-none.aif", aiff(comm(compression=b"NONE") + sound, form_type=b"AIFC"), **imported(progress, samples=40))
    add("aiff/aifc-short-comm.aif", aiff(comm() + sound, form_type=b"AIFC"), **imported(progress, samples=40))
    add("aiff/zero-size-chunks.aif", aiff(comm() + chunk_be(b"ANNO", b"") * 2000 + sound), **imported(progress, samples=40))
    add("aiff/odd-anno.aif", aiff(comm() + chunk_be(b"ANNO", b"abc") + sound), **imported(progress, samples=40))
    add("aiff/appl-size-0.aif", aiff(comm() + chunk_be(b"APPL", b"") + sound), **imported(progress, samples=40))
    add("aiff/appl-signature-only.aif", aiff(comm() + chunk_be(b"APPL", b"kelm") + sound),
        **imported(progress, samples=40, items=("view=-1,1",)))
    add("aiff/appl-invalid-scan.aif",
        aiff(comm(channels=2) + chunk_be(b"APPL", b"kelm" + smp_head(["scan=1"], 64)) + sound),
        **imported(progress,
                   LAYOUT_DROPPED,
                   samples=40, items=("nchans=2", "scan=")))
    add("aiff/appl-too-full.aif", aiff(comm() + chunk_be(b"APPL", b"kelm" + FULL_HEAD) + sound),
        **imported(progress, TOO_FULL, samples=40, items=("head=1024", "z=")))
    add("aiff/appl-head-size-any-case.aif",
        aiff(comm() + chunk_be(b"APPL", b"kelm" + smp_head(["hEad=92222", "view=-3,3"], 64)) + sound),
        **imported(progress, samples=40, items=("head=1024", "view=-3,3")))
    # A head that claims more than the file holds, its size item beyond any head.
    add("aiff/appl-head-size-truncated.aif", b"FORM" + be32(0x4DA) + b"AIFFAPPL" + be32(0x404) + b"kelmhEad=92222",
        **imported(progress, short % 1216, samples=0, items=("head=1024",)))
    add("aiff/aesd-short.aif", aiff(comm() + chunk_be(b"AESD", b"\x08\x01") + sound),
        **imported(progress, samples=40, items=("AES/EBUchstatus=", "emphz=")))


# ---- NSP ----------------------------------------------------------------------------------

DATE = b"Jan 02 03:04:05 2006"


def hedr(rate=16000, length=40, peaks=(1000, 0xFFFF), ident=b"HEDR"):
    body = DATE + le32(rate) + le32(length) + b"".join(le16(p) for p in peaks)
    return chunk_le(ident, body)


def hdr8(peaks, rate=16000, length=40):
    return hedr(rate, length, peaks, b"HDR8")


def nsp(chunks, ds16_size=None):
    return b"FORM" + b"DS16" + le32(len(chunks) if ds16_size is None else ds16_size) + chunks


def nsp_cases():
    progress = "{name} -> {stem}.smp"
    not_nsp = "does not appear to be an NSP file"
    invalid = "Invalid data in {name}"
    short = "{dir}/{name} ends %d bytes before its header says"
    sda = chunk_le(b"SDA_", samples16le(RAMP))
    good = nsp(hedr() + sda)
    add("nsp/empty.nsp", b"", **refused(progress, not_nsp))
    for cut in (3, 4, 8, 11):
        add("nsp/truncated-%02d.nsp" % cut, good[:cut], **refused(progress, not_nsp))
    add("nsp/truncated-12.nsp", good[:12], **imported(progress, short % 128, samples=0))
    add("nsp/truncated-hedr.nsp", good[:30], **imported(progress, invalid, samples=0))
    add("nsp/truncated-samples.nsp", good[:len(good) - 21], **imported(progress, short % 21, samples=29))
    # Praat counts only the first sample chunk in the DS16 size, so the walk goes on to the end
    # of the file whatever the size says; a size beyond the end (but the streaming marker
    # 0xFFFFFFFF) says the file was cut short.
    for label, size, extra, count in (("0", 0, (), 40), ("ffffffff", 0xFFFFFFFF, (), 40),
                                      ("7fffffff", 0x7FFFFFFF, (short % 2147483519,), 40)):
        add("nsp/ds16-size-%s.nsp" % label, nsp(hedr() + sda, ds16_size=size),
            **imported(progress, *extra, samples=count))
    add("nsp/not-ds16.nsp", b"FORM" + b"AIFF" + le32(4) + b"\0" * 8, **refused(progress, not_nsp))
    add("nsp/hedr-size-0.nsp", nsp(chunk_le(b"HEDR", b"") + sda), **imported(progress, samples=40, items=("nchans=1",)))
    add("nsp/hedr-short.nsp", nsp(chunk_le(b"HEDR", DATE + le32(8000)) + sda),
        **imported(progress, invalid, samples=0))
    add("nsp/hedr-rate-0.nsp", nsp(hedr(rate=0) + sda), **imported(progress, samples=40, items=("sftot=0",)))
    add("nsp/hedr-no-channels.nsp", nsp(hedr(peaks=(0xFFFF, 0x8001)) + sda), **imported(progress, samples=0))
    add("nsp/samples-before-header.nsp",
        nsp(chunk_le(b"SD_B", samples16le(RAMP[:20])) + hedr(peaks=(1, 1)) + chunk_le(b"SDA_", samples16le(RAMP[:20]))),
        **imported(progress, samples=60, items=("nchans=2",)))
    add("nsp/ninth-channel.nsp",
        nsp(hdr8([100] * 8) + b"".join(chunk_le(b"SD_" + bytes([c]), samples16le(RAMP[:5]))
                                       for c in b"01234567") + chunk_le(b"SD_8", samples16le(RAMP[:5]))),
        **imported(progress, samples=40, items=("nchans=8",)))
    add("nsp/unknown-channel-id.nsp", nsp(hedr() + chunk_le(b"SD_Z", samples16le(RAMP)) + sda),
        **imported(progress, samples=40))
    add("nsp/sdab-odd.nsp", nsp(hedr(peaks=(1, 1)) + chunk_le(b"SDAB", samples16le(RAMP) + b"\x05")),
        **imported(progress, samples=40))
    add("nsp/sample-size-7fffffff.nsp", nsp(hedr() + chunk_le(b"SDA_", samples16le(RAMP), size=0x7FFFFFFF)),
        **imported(progress, short % 2147483567, samples=40))
    add("nsp/zero-size-chunks.nsp", nsp(hedr() + chunk_le(b"NOTE", b"") * 2000 + sda), **imported(progress, samples=40))
    add("nsp/kelm-size-0.nsp", nsp(hedr() + chunk_le(b"kelm", b"") + sda), **imported(progress, samples=40, items=("view=-1,1",)))
    add("nsp/kelm-too-full.nsp", nsp(hedr() + chunk_le(b"kelm", FULL_HEAD) + sda),
        **imported(progress, TOO_FULL, samples=40, items=("head=1024", "z=", "nchans=1", "sftot=16000",
                                                          "nspdate=" + DATE.decode())))
    add("nsp/kelm-invalid-scan.nsp", nsp(hedr() + chunk_le(b"kelm", smp_head(["scan=3"], 64)) + sda),
        **imported(progress,
                   LAYOUT_DROPPED,
                   samples=40, items=("scan=",)))


# ---- RAW and TXT (settings through --set) ----------------------------------------------------

def raw_cases():
    progress = "{name} as RAW-> {stem}.smp"
    assume = "Assuming:16-bit Signed, Intel"
    data = samples16le(RAMP)

    def raw(name, content, args="", assumption=assume, extra=(), **kw):
        add("raw/" + name, content, args=args, out=(assumption, progress) + tuple(extra) + ("Done",),
            output="{stem}.smp", **kw)

    raw("empty.raw", b"", samples=0)
    raw("odd-length.raw", data + b"\x7f", samples=40)
    raw("strip-beyond-end.raw", data, "--set ImportRAW.StripBytes=100000",
        "Assuming:100000 hdbytes 16-bit Signed, Intel", samples=0)
    raw("strip-negative.raw", data, "--set ImportRAW.StripBytes=-1", samples=40)
    raw("strip-7fffffff.raw", data, "--set ImportRAW.StripBytes=2147483647",
        "Assuming:2147483647 hdbytes 16-bit Signed, Intel", samples=0)
    raw("strip-odd.raw", data, "--set ImportRAW.StripBytes=1", "Assuming:1 hdbytes 16-bit Signed, Intel",
        samples=39)
    raw("stereo-odd-count.raw", data[:-2], "--set ImportRAW.nChans=2", samples=39)
    raw("channels-128.raw", data[:6], "--set ImportRAW.nChans=128", samples=3)
    raw("rate-0.raw", data, "--set ImportRAW.SfTot=0", samples=40, items=("sftot=0",))
    raw("rate-negative.raw", data, "--set ImportRAW.SfTot=-1", samples=40)
    raw("rate-huge.raw", data, "--set ImportRAW.SfTot=1e308", samples=40)
    raw("mulaw.raw", bytes(range(256)), "--set ImportRAW.Encoding=0", "Assuming:u-law Signed, Intel", samples=256)
    raw("alaw.raw", bytes(range(256)), "--set ImportRAW.Encoding=1", "Assuming:A-law Signed, Intel", samples=256)
    raw("linear8.raw", bytes(range(256)), "--set ImportRAW.Encoding=2 --set ImportRAW.Signed=0",
        "Assuming:8-bit Unsigned, Intel", samples=256)
    for n in (0, -1, 129):
        add("raw/channels-%d.raw" % n, data, args="--set ImportRAW.nChans=%d" % n,
            out=(assume, "{dir}/{name}: %d channels (ImportRAW.nChans) are not supported. Conversion aborted." % n,
                 "Done"))
    for coding in (4, -1):
        add("raw/coding-%d.raw" % coding, data, args="--set ImportRAW.Encoding=%d" % coding,
            out=("Assuming: Signed, Intel", "{dir}/{name}: coding %d of ImportRAW.Encoding is not supported. Conversion aborted." % coding,
                 "Done"))


def txt_cases():
    progress = "{name} as text-> {stem}.smp"

    def txt(name, content, args="", extra=(), err=(), **kw):
        add("txt/" + name, content, args=args,
            out=(progress,) + tuple(extra) + ("Done",), err=err, output="{stem}.smp", **kw)

    txt("empty.txt", b"", samples=0)
    txt("invalid-number.txt", b"0.5\n0.25\n1..2\n0\n",
        extra=("1 invalid sample",), err=('Invalid number found: "1..2" / on line 3 is not a valid number',),
        samples=3)
    txt("lone-signs.txt", b"+\n-\nE\n", "--set ImportTXT.InvalidNumberAction=1", extra=("3 invalid samples",), samples=3)
    txt("strip-beyond-end.txt", b"1\n2\n", "--set ImportTXT.StripLines=10", samples=0)
    txt("strip-7fffffff.txt", b"1\n2\n", "--set ImportTXT.StripLines=2147483647", samples=0)
    txt("600-numbers.txt", (" ".join(["0.001"] * 600) + "\n").encode(), samples=1)
    txt("600-numbers-stereo.txt", (" ".join(["2"] * 600) + "\n").encode(), "--set ImportTXT.nChans=2",
        extra=("Overload in 600 samples",), samples=2)
    txt("view-equal.txt", b"1\n2\n", "--set ImportTXT.ViewLo=1 --set ImportTXT.ViewHi=1",
        extra=("1 invalid sample",), err=('Invalid number found: "1" / on line 1 is not a valid number',), samples=1)
    txt("overload-wrap.txt", b"1\n-1.5\n1e300\n", "--set ImportTXT.OverloadAction=1 --set ImportTXT.InvalidNumberAction=1",
        extra=("Overload in 3 samples", "1 invalid sample"), samples=3)
    # A number beyond the range of reals cannot be read: it is invalid, not an overload.
    txt("huge-exponents.txt", b"1e99999\n-1e99999\n", extra=("1 invalid sample",),
        err=('Invalid number found: "1e99999" / on line 1 is not a valid number',), samples=1)
    txt("long-line.txt", (" ".join(["0.5"] * 20000)).encode(), samples=1)
    # Lines end in LF or CR LF: a lone CR separates numbers on one line.
    txt("cr-only.txt", b"0.1\r0.2\r0.3\r", samples=1)
    txt("binary.txt", bytes(range(256)) * 4, "--set ImportTXT.InvalidNumberAction=2", extra=("Overload in 4 samples", "12 invalid samples"), samples=5)
    txt("nul-bytes.txt", b"1\x002\n\x00\n", "--set ImportTXT.nChans=2", extra=("Overload in 2 samples",), samples=4)
    txt("separators-only.txt", b" ,;\t\n;;\n", "--set ImportTXT.CommaIsSeparator=1", samples=2)
    for n in (0, 129):
        add("txt/channels-%d.txt" % n, b"1\n", args="--set ImportTXT.nChans=%d" % n,
            out=("{dir}/{name}: %d channels (ImportTXT.nChans) are not supported. Conversion aborted." % n, "Done"))


# ---- SMP files through every export --------------------------------------------------------

EXPORTS = (("to-wav", "wav", "WAV: 16-bit"), ("to-au", "au", "AU: 16-bit"), ("to-aiff", "aif", "AIFF: 16-bit"),
           ("to-nsp", "nsp", "NSP: "), ("to-raw", "raw", "RAW: 16-bit Signed, Intel"))


def written(*extra):
    """The export writes its file, with these log lines after the progress line."""
    return dict(extra=extra, output=True)


def refused_export(line):
    """The export refuses the file with one log line and writes nothing."""
    return dict(extra=(line,), output=False)


def ended(error):
    """An error ends the batch: no "Done", the error on standard error, no output."""
    return dict(extra=(), output=False, err=(error,), done=False)


def smp_cases():
    def every_export(name, data, outcomes=None, companions=()):
        """`outcomes` maps an action to the outcome of that export; the default is written()."""
        outcomes = outcomes or {}
        for action, ext, header in EXPORTS:
            outcome = outcomes.get(action, written())
            tail = ("Done",) if outcome.get("done", True) else ()
            add("smp/" + name, data, action=action, companions=companions,
                out=(header, "{name} -> {stem}." + ext) + tuple(outcome["extra"]) + tail,
                err=outcome.get("err", ()), output=("{stem}." + ext) if outcome["output"] else None)
            companions = ()

    def everywhere(outcome):
        return {action: outcome for action, _, _ in EXPORTS}

    split = refused_export("{dir}/{name} has split rate! Conversion aborted.")
    refusing_split = {"to-wav": split, "to-aiff": split, "to-nsp": split}

    samples = samples16le(RAMP)
    mono = ["file=samp", "sftot=16000", "nchans=1"]
    # Heads that fill the head buffer to its last byte, one byte less, and beyond it.
    for size in (32767, 32768, 40000):
        filler = ["x%d=%s" % (i, "y" * 200) for i in range((min(size, 32768) - 200) // 206)]
        every_export("head-%d.smp" % size, smp_head(["head=%d" % size] + mono + filler, size) + samples)
    every_export("head-0.smp", smp_head(["head=0"] + mono, 1024) + samples)
    every_export("head-negative.smp", smp_head(["head=-5"] + mono, 1024) + samples)
    # Heads that claim more than the file holds.
    every_export("head-beyond-file.smp", smp_head(["head=30000"] + mono, 1024) + samples)
    every_export("shorter-than-head.smp", smp_head(mono, 1024)[:100])
    every_export("one-byte.smp", b"=")
    # Scan items: 600 numbers (more slots than a period holds), split rate, an invalid period,
    # and more channels than a scan holds.
    every_export("scan-600.smp", smp_head(mono + ["scan=" + ",".join(["0"] * 600)]) + samples, refusing_split)
    every_export("scan-split.smp", smp_head(["file=samp", "sftot=32000", "nchans=3", "scan=0,1,0,2"]) + samples,
                 refusing_split)
    invalid = "Vorsel: File header in {dir}/{name} / Has an invalid \"scan\" item: / scan="
    every_export("scan-invalid.smp", smp_head(["file=samp", "sftot=32000", "nchans=2", "scan=0,0,1"]) + samples,
                 everywhere(ended(invalid + "0,0,1")))
    every_export("channels-129.smp", smp_head(["file=samp", "sftot=16000", "nchans=129"]) + samples,
                 everywhere(ended(invalid)))
    every_export("channels-0.smp", smp_head(["file=samp", "sftot=16000", "nchans=0"]) + samples, {
        "to-wav": refused_export("{dir}/{name}: nchans=0, sftot=16000 cannot be written to a WAV file! "
                                 "Conversion aborted."),
        "to-au": refused_export("{dir}/{name} has 0 channels at 16000 Hz, which an AU file cannot hold! "
                                "Conversion aborted."),
        "to-aiff": refused_export("{dir}/{name} has 0 channels at 16000 Hz, which an AIFF file cannot hold! "
                                  "Conversion aborted."),
        "to-nsp": dict(extra=(), output=False, err=("Error: Cannot convert  / {dir}/{name} /  to NSP",)),
    })
    every_export("rate-0.smp", smp_head(["file=samp", "sftot=0", "nchans=1"]) + samples)
    every_export("rate-nan.smp", smp_head(["file=samp", "sftot=nan", "nchans=2", "view=x,y", "range=1"]) + samples)
    # Labels: a label file with broken lines, a missing one, a device that never ends, and
    # label items that cannot be read.
    broken = b"labels.smp\r\nno separators\r\n-5,x,y\r\n\r\n99999999999,1,big\r\r,,\n" + b"\xff" * 300 + b"\n"
    every_export("labels-broken.smp", smp_head(mono + ["labels=labels-broken.csv"]) + samples,
                 companions=(("smp/labels-broken.csv", broken),))
    every_export("labels-missing.smp", smp_head(mono + ["labels=missing.csv", "L1=0,10,a"]) + samples)
    every_export("labels-device.smp", smp_head(mono + ["labels=/dev/zero"]) + samples)
    every_export("label-items-broken.smp", smp_head(mono + ["L1=", "L2=,,,", "L3=-1,-1,x", "L4=99999999999999,5"]) + samples)


# ---- Settings files with broken lines ------------------------------------------------------

def settings_cases():
    wav_file = wav(chunks=chunk_le(b"data", samples16le(RAMP)))

    def with_settings(name, text, out=("tone.wav -> tone.smp", "Done"), err=(), status=None, output="tone.smp",
                      samples=40, items=()):
        add("settings/%s.wav" % name, wav_file, args="--settings %s.vrs" % name,
            companions=(("settings/%s.vrs" % name, text),), out=out, err=err, status=status,
            output=output, samples=samples, items=items)

    # The log names the input as it was copied: the case's own name.
    def named(name, text, **kw):
        kw.setdefault("out", ("%s.wav -> %s.smp" % (name, name), "Done"))
        kw.setdefault("output", "%s.smp" % name)
        with_settings(name, text, **kw)

    named("no-equals", b"[ImportWAV]\r\nViewLo\r\n=5\r\n[ImportWAV\r\nUnit=V\r\nRangeLo = -100 \r\n",
          items=("range=-100,32768",))
    # A file that is no text is refused before anything is converted.
    named("binary", bytes(range(256)) * 8, out=(), output=None, samples=None, status=2,
          err=("vorsel-cli: --settings: binary.vrs is not a text file", "Try 'vorsel-cli --help'."))
    named("long-lines", b"[ImportWAV]\r\nUnit=" + b"u" * 40000 + b"\r\n" + b"[" * 20000 + b"\r\n")
    named("duplicate-sections", b"[ImportWAV]\nMSBFirst=1\n[importwav]\nMSBFirst=0\n", items=("msb=first",))
    # A real that cannot be read stops the load, and with it the run.
    named("empty-real", b"[ImportWAV]\r\nViewHi=\r\n", out=(), output=None, samples=None,
          err=("vorsel-cli: Cannot convert empty string to number (ImportWAV.ViewHi in {dir}/empty-real.vrs)",))
    named("bad-real", b"[ImportWAV]\r\nViewLo=abc\r\n", out=(), output=None, samples=None,
          err=("vorsel-cli: 'abc' is not a valid floating point value (ImportWAV.ViewLo in {dir}/bad-real.vrs)",))
    named("utf16-truncated", b"\xff\xfe[\0I\0m\0p\0o\0r\0t\0W\0A\0V\0]\0\n\0U\0n\0i\0t\0=\0\xd8")


def write_all(folder):
    wav_cases()
    au_cases()
    aiff_cases()
    nsp_cases()
    raw_cases()
    txt_cases()
    smp_cases()
    settings_cases()
    manifest = ["# Written by generate.py; one record per run of vorsel-cli, blank lines between.",
                "# {dir} stands for the folder the case runs in."]
    written = set()
    for path, data, record in CASES:
        if path not in written:
            full = os.path.join(folder, path)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "wb") as out:
                out.write(data)
            written.add(path)
        if record is not None:
            manifest.append("")
            manifest.extend(record)
    with open(os.path.join(folder, "cases.txt"), "w", encoding="latin-1", newline="\n") as out:
        out.write("\n".join(manifest) + "\n")


if __name__ == "__main__":
    write_all(sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__)))
