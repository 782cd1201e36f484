#!/usr/bin/env python3
# The Key Stroke module's colour helper: the same contract as e16colour.py, whose logic it runs, so the two
# modules can never disagree about how a scene is changed.
"""Usage: midikeys_e16colour.py SCENE_PATH PAGE KNOB COLOUR  (page and knob from 1, colour 0-99)"""

import os
import sys

# The companion lives in this script's own folder; the current folder must play no part in finding it.
sys.path.insert(0, os.path.dirname(os.path.realpath(__file__)))
sys.dont_write_bytecode = True  # leave no __pycache__ beside the installed scripts

try:
    import e16colour
except Exception:
    print("cannot run: e16colour.py is missing or broken in the folder of this script", file=sys.stderr)
    sys.exit(1)

if __name__ == "__main__":
    sys.exit(e16colour.main(sys.argv[1:]))
