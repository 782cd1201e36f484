#!/usr/bin/env python3
# Sets the colour of one knob in an OXI E16 scene file. The program never writes scenes itself: it runs this
# script, so the file is replaced in one step and a failure leaves it exactly as it was.
"""Usage: e16colour.py SCENE_PATH PAGE KNOB COLOUR  (page and knob from 1, colour 0-99)

Prints the knob's previous colour and exits 0, or prints one sentence saying what is wrong and exits 1.
"""

import contextlib
import fcntl
import json
import os
import re
import stat
import sys
import tempfile

_DECIMAL = re.compile(r"-?[0-9]+", re.ASCII)
_BOM = "\ufeff"
NONE = object()  # an encoder without "color", told apart from one whose colour is null


class Refusal(Exception):
    """A reason not to touch the scene, worded for the user."""


def _number(text, what):
    # int() would also take "+3", " 3", "3_0" and non-ASCII digits; only plain decimals are meant here.
    if not _DECIMAL.fullmatch(text):
        raise Refusal(f"{what} must be a decimal whole number, not {text!r}")
    try:
        return int(text)
    except ValueError:  # more digits than int() accepts
        raise Refusal(f"{what} {text[:20]}... is far too large") from None


def _no_repeated_keys(pairs):
    # A repeated key would silently lose all but its last value on the way back to disk.
    obj = {}
    for key, value in pairs:
        if key in obj:
            raise Refusal(f"the scene names {key!r} twice in one object, so it is not changed")
        obj[key] = value
    return obj


def _read(path):
    try:
        with open(path, "rb") as f:
            raw = f.read()
    except OSError as e:
        raise Refusal(f"cannot read the scene {path}: {e.strerror or e}") from None
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError as e:
        raise Refusal(f"the scene is not UTF-8 text (bad byte at offset {e.start})") from None
    try:
        scene = json.loads(text.removeprefix(_BOM), object_pairs_hook=_no_repeated_keys)
    except json.JSONDecodeError as e:
        raise Refusal(f"the scene is not valid JSON: {e.msg} at line {e.lineno}, column {e.colno}") from None
    except RecursionError:
        raise Refusal("the scene is nested too deeply to read") from None
    return scene, text


def _list_of_objects(owner, key, where, item):
    value = owner.get(key)
    if value is None:
        raise Refusal(f'{where} has no "{key}" list')
    if not isinstance(value, list):
        raise Refusal(f'the "{key}" of {where} is not a list')
    for n, entry in enumerate(value, start=1):
        if not isinstance(entry, dict):
            raise Refusal(f"{item} {n} in {where} is not a JSON object")
    return value


def _layout(text):
    # Write the scene back the way it was laid out, as far as JSON allows: the same indent, or compact.
    found = re.search(r"\n([ \t]+)\S", text)
    if found:
        return {"indent": found.group(1)}
    if "\n" in text.strip():
        return {"indent": 0}
    return {"separators": (",", ":")}


def _encode(scene, text):
    layout = _layout(text)
    try:
        body = json.dumps(scene, ensure_ascii=False, **layout).encode("utf-8")
    except UnicodeEncodeError:
        # A lone surrogate escape (\ud800) cannot be written as UTF-8; escaping everything keeps its value.
        body = json.dumps(scene, ensure_ascii=True, **layout).encode("ascii")
    bom = _BOM.encode("utf-8") if text.startswith(_BOM) else b""
    end = b"\n" if text.endswith("\n") else b""
    return bom + body + end


def _replace(path, data):
    # The new scene goes to a temporary file beside the old one and is renamed over it, so a crash leaves
    # either the old scene or the new one, never half of one.
    target = os.path.realpath(path)  # a symlinked scene stays a symlink; its target gets the new content
    folder = os.path.dirname(target)
    try:
        mode = stat.S_IMODE(os.stat(target).st_mode)
        fd, temp = tempfile.mkstemp(prefix="." + os.path.basename(target) + ".", suffix=".tmp", dir=folder)
    except OSError as e:
        raise Refusal(f"cannot write the scene {path}: {e.strerror or e}") from None
    try:
        with os.fdopen(fd, "wb") as f:
            f.write(data)
            f.flush()
            os.fsync(f.fileno())
            os.fchmod(f.fileno(), mode)
        os.replace(temp, target)
    except BaseException as e:
        try:
            os.unlink(temp)
        except OSError:
            pass
        if isinstance(e, OSError):
            raise Refusal(f"cannot write the scene {path}: {e.strerror or e}") from None
        raise
    try:  # make the rename itself durable; the scene is already complete either way
        dir_fd = os.open(folder, os.O_RDONLY | os.O_DIRECTORY)
        try:
            os.fsync(dir_fd)
        finally:
            os.close(dir_fd)
    except OSError:
        pass


def _count(n, noun):
    return f"{n} {noun}" if n == 1 else f"{n} {noun}s"


@contextlib.contextmanager
def _held(path):
    # Both modules run a helper, and each may be changing the same scene at the same moment: one waits until the
    # other has written, or its change would be lost under the other's. The folder is locked, not the file,
    # since the file is replaced.
    try:
        fd = os.open(os.path.dirname(os.path.realpath(path)), os.O_RDONLY | os.O_DIRECTORY)
    except OSError:
        yield  # reading the scene will say what is wrong
        return
    try:
        fcntl.flock(fd, fcntl.LOCK_EX)
        yield
    finally:
        os.close(fd)


def set_colour(path, page, knob, colour):
    """Sets the colour and returns the knob's previous "color" value (NONE when it had none)."""
    if not 0 <= colour <= 99:
        raise Refusal(f"colour {colour} is out of range: it must be 0 to 99")
    with _held(path):
        return _set_colour(path, page, knob, colour)


def _set_colour(path, page, knob, colour):
    scene, text = _read(path)
    if not isinstance(scene, dict):
        raise Refusal("the scene is not a JSON object")
    pages = _list_of_objects(scene, "pages", "the scene", "page")
    if not 1 <= page <= len(pages):
        raise Refusal(f"page {page} is not in the scene: it has {_count(len(pages), 'page')}")
    encoders = _list_of_objects(pages[page - 1], "encoders", f"page {page}", "knob")
    if not 1 <= knob <= len(encoders):
        raise Refusal(f"knob {knob} is not on page {page}: it has {_count(len(encoders), 'knob')}")
    encoder = encoders[knob - 1]
    previous = encoder.get("color", NONE)
    encoder["color"] = colour
    _replace(path, _encode(scene, text))
    return previous


def _shown(previous):
    if previous is NONE:
        return "0"
    if isinstance(previous, int) and not isinstance(previous, bool):
        return str(previous)
    return json.dumps(previous, ensure_ascii=False)


def _say(text, stream):
    # UTF-8 on one line whatever the locale, a path or an exception text holds; printing must not be what
    # fails after the scene was written.
    line = text.replace("\r", " ").replace("\n", " ")
    stream.buffer.write(line.encode("utf-8", "backslashreplace") + b"\n")
    stream.flush()


def _refuse(sentence):
    _say(sentence, sys.stderr)
    return 1


def main(args):
    try:
        if len(args) != 4:
            raise Refusal(f"expected 4 arguments (scene path, page, knob, colour) but got {len(args)}")
        path = args[0]
        page, knob, colour = (_number(t, w) for t, w in zip(args[1:], ("page", "knob", "colour")))
        previous = set_colour(path, page, knob, colour)
    except Refusal as e:
        return _refuse(str(e))
    except Exception as e:  # anything unforeseen still ends in one sentence and an untouched scene
        return _refuse(f"an unexpected {type(e).__name__}: {e}")
    _say(_shown(previous), sys.stdout)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
