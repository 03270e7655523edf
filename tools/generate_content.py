#!/usr/bin/env python3
"""Writes the content data the program carries into content/ (the build embeds it).

The output is deterministic and committed. Run it again after changing a generator;
with --check it only reports whether the committed files match what it would write.

    tools/generate_content.py [--check]
"""

import argparse
import pathlib
import sys

sys.dont_write_bytecode = True  # keep tools/ free of caches
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))

from content_gen import catalog, movie, pictures  # noqa: E402

CONTENT_DIR = pathlib.Path(__file__).resolve().parent.parent / "content"

GENERATORS = [catalog.generate, movie.generate, pictures.generate]


def generated_files():
    files = {}
    for generate in GENERATORS:
        for name, data in generate().items():
            if name in files:
                raise ValueError(f"{name} is generated twice")
            files[name] = data
    return files


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="only compare the committed files with the generated ones")
    args = parser.parse_args()

    stale = []
    for name, data in sorted(generated_files().items()):
        path = CONTENT_DIR / name
        if path.exists() and path.read_bytes() == data:
            continue
        stale.append(name)
        if not args.check:
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_bytes(data)  # only changed files, so the build redoes only those

    if args.check:
        for name in stale:
            print(f"content/{name} differs from the generator's output", file=sys.stderr)
        return 1 if stale else 0
    for name in stale:
        print(f"wrote content/{name}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
