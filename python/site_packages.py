"""Prints where `cmake --install` puts the module under an install prefix.

The interpreter's own site directories decide: the first of the user's
site-packages and the site directories on sys.path that lies under the
prefix (for ~/.local the user's site-packages, for /usr/local on Debian
its dist-packages), the one nearest the prefix among several. Under a
prefix where the interpreter looks for nothing (a scratch folder, a
virtual environment's root), the standard layout lib/pythonX.Y/site-packages
of the prefix scheme. Prints the directory relative to the prefix.

Usage: python3 site_packages.py PREFIX
"""

import os
import site
import sys
import sysconfig


def main() -> None:
    prefix = os.path.realpath(sys.argv[1])
    candidates = [site.getusersitepackages()] + [
        path for path in sys.path if os.path.basename(path) in ("site-packages", "dist-packages")
    ]
    under = []
    for path in candidates:
        relative = os.path.relpath(os.path.realpath(path), prefix)
        if not relative.startswith(os.pardir) and relative != os.curdir:
            under.append(relative)
    if under:
        # Nearest the prefix: /usr gives lib/python3/dist-packages, not
        # local/lib/python3.11/dist-packages.
        print(min(under, key=lambda relative: relative.count(os.sep)))
        return
    print(sysconfig.get_path("platlib", "posix_prefix" if os.name == "posix" else "nt",
                             vars={"base": prefix, "platbase": prefix})[len(prefix) + 1:])


if __name__ == "__main__":
    main()
