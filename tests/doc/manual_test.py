#!/usr/bin/env python3
"""The manual shows every window and dialog page it names and documents every dialog option.

    manual_test.py SOURCE_ROOT

Pictures: every <img> of doc/vorsel.html must exist under doc/, and every page of the option
dialogs (the tabs of frontend/ui/TForm2.ui and TForm3.ui, once they exist) must have its
picture import-<format>.png or export-<format>.png in the manual. Captions: every option
caption of the dialogs must appear in the manual's text; they come from the list below and,
once the dialogs' .ui files exist, from those files too, so that a new option cannot be left
undocumented.
"""
import html
import pathlib
import re
import sys
import xml.etree.ElementTree as ElementTree

# The options of the four dialogs as the user sees them.
CAPTIONS = [
    # Import options
    "Import options", "from WAV", "from AU", "from AIFF", "from NSP", "from RAW", "from TXT",
    "Put MSB first", "view=", "range=", "Add header items", "sftot=", "nchans=", "Strip",
    "header bytes from file", "Data is", "8-bit u-law", "8-bit A-law", "8 bit linear",
    "16 bit linear", "Samples are", "Signed integer", "Offset binary", "Byte order is in",
    "Intel style (PC)", "Motorola style (Unix)", "header lines from file", "Interpret comma as",
    "Decimal separator", "Channel separator", "If invalid numbers are found", "Alert me",
    "Insert a zero sample", "Skip sample", "On overload", "Clip to full scale", "Wrap around",
    "Insert zero",
    "These items are not added to the SMP header if the WAV file contains an SMP header chunk.",
    "Note: You must set the view and range items properly to scale the samples correctly",
    # Export options
    "Export options", "to WAV", "to AU", "to AIFF", "to NSP", "to RAW", "Encoding",
    "8-bit linear PCM", "16 bit linear PCM", "16-bit linear PCM", "Store SMP header",
    "Fit amplitude to full scale", "Add dither noise", "Make 1-channel files", "HEDR type",
    "HDR8 type", "Make 2-channel files", "Channels A & B Interleaved (HEDR)",
    "Separate chunks for channels A & B (HEDR)", "Separate chunks for channels A & B (HDR8)",
    "Header", "Insert", "null header bytes", "Samples", "Make samples", "Put byte order in",
    "File extension", ".raw", "other:",
    "Some WAV utilities cannot handle non sample data chunks properly, such as an SMP header "
    "chunk. If you have no means of testing this, you could skip the SMP header to be on the "
    "safe side. Then, on the other hand, the SMP header data will get lost.",
    "Note: The NSP file format has two variants, HEDR and HDR8. HEDR supports 1-2 channels, "
    "while HDR8 supports up to 8 channels. The HEDR format allows interleaved 2-channel data.",
    # Options
    "Options", "Name of converted file", "Ask me for each file",
    "Same (just change the extension)", "Start with:", "End with:", "Limit to 8+3",
    "Identify file types by using", "File header", "File extension",
    "Overwrite without asking me",
    # Custom file mask
    "Custom file mask", "File mask",
]

DIALOG_FORMS = ["TForm2.ui", "TForm3.ui", "TForm5.ui", "TForm6.ui"]
PAGE_PICTURES = {"TForm2.ui": "import", "TForm3.ui": "export"}
BUTTONS = {"Ok", "Cancel"}


def normalized(text):
    return " ".join(text.split())


def shown_caption(text):
    """A caption as it shows: "&&" is one "&", another "&" only marks the mnemonic."""
    return normalized(text.replace("&&", "\0").replace("&", "").replace("\0", "&"))


def manual_text(page):
    body = re.sub(r"<(script|style)\b.*?</\1>", " ", page, flags=re.S)
    return normalized(html.unescape(re.sub(r"<[^>]+>", " ", body)))


def ui_captions(form):
    """Window title, tab titles and the texts and titles of every control of a .ui file."""
    root = ElementTree.parse(form).getroot()
    captions = []
    for element in root.iter():
        if element.tag in ("property", "attribute") and element.get("name") in (
                "windowTitle", "title", "text"):
            string = element.find("string")
            if string is not None and string.text and string.text.strip():
                captions.append(shown_caption(string.text))
    return [c for c in captions if c not in BUTTONS]


def ui_pages(form):
    root = ElementTree.parse(form).getroot()
    pages = []
    for widget in root.iter("widget"):
        for attribute in widget.findall("attribute"):
            if attribute.get("name") == "title":
                string = attribute.find("string")
                if string is not None and string.text:
                    pages.append(shown_caption(string.text))
    return pages


def main():
    root = pathlib.Path(sys.argv[1])
    doc = root / "doc"
    page = (doc / "vorsel.html").read_text(encoding="utf-8")
    text = manual_text(page)
    pictures = re.findall(r'<img\s[^>]*src="([^"]+)"', page)
    problems = []

    missing = sorted({p for p in pictures if not (doc / p).is_file()})
    if missing:
        problems.append("pictures named in the manual but missing (run scripts/screenshots):\n  "
                        + "\n  ".join(missing))

    captions = [normalized(c) for c in CAPTIONS]
    found_forms = []
    for name in DIALOG_FORMS:
        form = root / "frontend" / "ui" / name
        if not form.is_file():
            continue
        found_forms.append(name)
        captions += ui_captions(form)
        if name in PAGE_PICTURES:
            for title in ui_pages(form):
                picture = "images/%s-%s.png" % (PAGE_PICTURES[name], title.split()[-1].lower())
                if picture not in pictures:
                    problems.append("page \"%s\" of %s has no picture %s in the manual"
                                    % (title, name, picture))
    undocumented = sorted({c for c in captions if c not in text})
    if undocumented:
        problems.append("dialog captions missing from the manual's text:\n  "
                        + "\n  ".join(undocumented))

    print("manual: %d pictures, %d captions checked; dialog forms read: %s"
          % (len(pictures), len(set(captions)), ", ".join(found_forms) or "none yet"))
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
