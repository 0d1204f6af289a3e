#!/usr/bin/env python3
"""What the DLL's bytes are: the link map of the lean link, summed by output
section, by library and by object file (debug sections left out).

    python3 scripts/dll-sizes.py [MAP] [COUNT]
MAP defaults to build/win/src/lean-link/parlet.map (cmake/lean-link.py writes
it); COUNT (default 40) objects are listed. For single symbols:
    i686-w64-mingw32-nm --size-sort -S -C build/win/src/parlet.dll.debug
"""
import collections
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def main(argv):
    path = argv[0] if argv else os.path.join(ROOT, 'build', 'win', 'src', 'lean-link', 'parlet.map')
    count = int(argv[1]) if len(argv) > 1 else 40
    lines = open(path).read().splitlines()
    by_section, by_library, by_object = collections.Counter(), collections.Counter(), collections.Counter()
    start = next(i for i, line in enumerate(lines) if line.startswith('Linker script and memory map'))
    for i in range(start, len(lines)):
        # " .name ADDRESS SIZE FILE", or a long name alone with the rest on the next line.
        text = lines[i]
        if re.match(r'^ \.\S+$', text) and i + 1 < len(lines):
            text += ' ' + lines[i + 1].strip()
        m = re.match(r'^ (\.[\w.$]+)\s+(0x[0-9a-f]+)\s+(0x[0-9a-f]+)\s+(\S.*)$', text)
        if not m:
            continue
        name, address, size, source = m.groups()
        size, section = int(size, 16), re.match(r'\.[^.$]*', name).group(0)
        if size == 0 or int(address, 16) == 0 or section.startswith('.debug') or section == '.bss':
            continue
        library = re.sub(r'\(.*', '', source).split('/')[-1]
        member = re.search(r'\((.*)\)', source)
        by_section[section] += size
        by_library[library] += size
        by_object[library + (':' + member.group(1) if member else '')] += size
    for title, counter, n in (('section', by_section, 20), ('library', by_library, 20), ('object', by_object, count)):
        print('== by %s' % title)
        for key, value in counter.most_common(n):
            print('%8d  %s' % (value, key))


if __name__ == '__main__':
    main(sys.argv[1:])
