"""Cross-checks movies from our writer with an independent parser (yaswfp).

usage: yaswfp_crosscheck.py <make_fuzz_corpus binary> <scratch folder>
The expected values are the ones make_corpus.cpp writes.
"""
import os
import subprocess
import sys

from yaswfp import swfparser

failures = []


def check(what, got, expected):
    if got != expected:
        failures.append(f"{what}: expected {expected!r}, got {got!r}")


def main():
    generator, scratch = sys.argv[1], sys.argv[2]
    os.makedirs(scratch, exist_ok=True)
    subprocess.run([generator, scratch], check=True)

    shapes = swfparser.parsefile(os.path.join(scratch, "shapes.swf"))
    check("shapes signature", shapes.header.Signature, "FWS")
    check("shapes version", shapes.header.Version, 8)
    check("shapes frame rate", shapes.header.FrameRate, 24 * 256)
    check("shapes frame count", shapes.header.FrameCount, 1)
    check("shapes file length", shapes.header.FileLength, os.path.getsize(os.path.join(scratch, "shapes.swf")))
    check("shapes tags", [t.name for t in shapes.tags],
          ["SetBackgroundColor", "DefineShape4", "DefineMorphShape2", "PlaceObject2", "PlaceObject3", "ShowFrame"])
    check("background", shapes.tags[0].BackgroundColor, [255, 255, 255])
    place = shapes.tags[3]
    check("place depth", place.Depth, 1)
    check("place character", place.CharacterId, 1)
    check("place translate", (place.Matrix.TranslateX, place.Matrix.TranslateY), (100, 100))
    place3 = shapes.tags[4]
    check("place3 depth/character", (place3.Depth, place3.CharacterId), (2, 2))
    check("place3 ratio", place3.Ratio, 30000)
    check("place3 blend mode", place3.BlendMode, 3)

    timeline = swfparser.parsefile(os.path.join(scratch, "timeline.swf"))
    check("timeline version", timeline.header.Version, 6)
    check("timeline frame count", timeline.header.FrameCount, 2)
    check("timeline tags", [t.name for t in timeline.tags],
          ["DefineShape3", "DefineSprite", "DoAction", "FrameLabel", "PlaceObject2", "DefineButton2", "DefineButton",
           "PlaceObject2", "DoInitAction", "ExportAssets", "ShowFrame", "PlaceObject", "RemoveObject", "ShowFrame"])
    sprite = timeline.tags[1]
    check("sprite id/frames", (sprite.CharacterID, sprite.FrameCount), (2, 2))
    clip = timeline.tags[4]
    check("clip name", clip.Name, "clip")
    check("clip flags", (clip.PlaceFlagHasClipActions, clip.PlaceFlagHasCharacter, clip.Depth), (1, 1, 1))
    check("button id", timeline.tags[5].ButtonId, 3)
    remove = timeline.tags[12]
    check("remove", (remove.CharacterId, remove.Depth), (1, 3))

    bitmaps = swfparser.parsefile(os.path.join(scratch, "bitmaps.swf"))
    check("bitmaps signature", bitmaps.header.Signature, "CWS")
    check("bitmaps tags", [t.name for t in bitmaps.tags],
          ["DefineBitsLossless2", "DefineBitsLossless", "DefineBitsLossless", "DefineBitsJPEG2", "DefineBitsJPEG3",
           "JPEGTables", "DefineBits", "DefineBitsJPEG2", "DefineShape3", "PlaceObject2", "ShowFrame"])
    check("jpeg2 id", bitmaps.tags[3].CharacterID, 4)
    check("bits id", bitmaps.tags[6].CharacterID, 6)

    for f in failures:
        print("FAIL", f)
    passed = 1 if not failures else 0
    print(f"yaswfp: {passed} passed, {1 - passed} failed")
    return 0 if not failures else 1


if __name__ == "__main__":
    sys.exit(main())
