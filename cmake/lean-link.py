#!/usr/bin/env python3
"""Links the plug-in DLL so that library code it never calls is left out.

    lean-link.py WORK_DIR COMMAND...   (the target's RULE_LAUNCH_LINK)

The linker's --gc-sections collects nothing in a mingw-w64 DLL: the default
script keeps every .eh_frame input whole, and the unwind entries refer to
every function, so even the unused members of the C++ library's string
instantiations stay (about a sixth of the DLL). The entries of template and
inline functions sit in sections of their own (".eh_frame$NAME" beside
".text$NAME"), so two links do what the linker cannot:

1. a link with --gc-sections whose script keeps the ordinary .eh_frame
   sections but not the ".eh_frame$NAME" ones: it tells which ".text$NAME"
   sections nothing calls;
2. the link that makes the DLL, the same, but keeping ".eh_frame$NAME" of
   every ".text$NAME" the first link kept, so every function that stays has
   its unwind entry.

The second link's own report is checked: a function kept without its unwind
entry would turn an exception into a crash, so that fails the build. The
unwinder needs the entries between crtbegin's and crtend's, crtend's zero
terminator last; the script keeps that order.
"""
import os
import re
import subprocess
import sys


def default_script(compiler):
    ld = subprocess.run([compiler, '-print-prog-name=ld'], capture_output=True, text=True, check=True).stdout.strip()
    verbose = subprocess.run([ld, '--verbose', '--shared'], capture_output=True, text=True, check=True).stdout
    parts = verbose.split('==================================================')
    if len(parts) < 3:
        sys.exit('lean-link: cannot read the linker\'s default script')
    return parts[1]


def script(default, kept_names):
    old = 'KEEP(*(.eh_frame*))'
    if old not in default:
        sys.exit('lean-link: the default linker script has no "%s"' % old)
    keep = ''.join(' KEEP(*(.eh_frame$%s))' % name for name in sorted(kept_names))
    new = ('KEEP(*(EXCLUDE_FILE(*crtend.o) .eh_frame))%s *(.eh_frame$*) KEEP(*crtend.o(.eh_frame))' % keep)
    return default.replace(old, new)


def link(command, work, name, script_text, output):
    path = os.path.join(work, name + '.x')
    with open(path, 'w') as f:
        f.write(script_text)
    args = list(command)
    args[args.index('-o') + 1] = output
    args += ['-Wl,--gc-sections', '-Wl,--print-gc-sections', '-Wl,-T,' + path]
    done = subprocess.run(args, capture_output=True, text=True)
    report = done.stderr
    others = [line for line in report.splitlines() if 'removing unused section' not in line]
    if others:
        sys.stderr.write('\n'.join(others) + '\n')
    if done.returncode != 0:
        sys.exit(done.returncode)
    removed = set()
    for m in re.finditer(r"removing unused section '([^'\[]*)", report):
        removed.add(m.group(1))
    return removed


def comdat_names(sections, prefix):
    return {s[len(prefix):] for s in sections if s.startswith(prefix)}


def main():
    if len(sys.argv) < 4:
        sys.exit('usage: lean-link.py WORK_DIR LINK_COMMAND...')
    work, command = sys.argv[1], sys.argv[2:]
    if '-o' not in command:
        # Makefile generators launch every step of the link rule through
        # here (removing and filling an archive of the target's objects);
        # only the step that writes the DLL is linked twice.
        os.execvp(command[0], command)
    os.makedirs(work, exist_ok=True)
    output = command[command.index('-o') + 1]
    default = default_script(command[0])

    # 1: what nothing calls (its unwind entries all go, which does not matter here).
    removed = link(command, work, 'find-unused', script(default, set()), os.path.join(work, 'find-unused.dll'))
    unused = comdat_names(removed, '.text$')
    # Every ".eh_frame$NAME" whose function was not removed stays in the second link.
    entries = comdat_names(removed, '.eh_frame$')
    kept = entries - unused

    # 2: the DLL, with a link map for scripts/dll-sizes.py.
    removed = link(command + ['-Wl,-Map,' + os.path.join(work, 'parlet.map')], work, 'lean', script(default, kept),
                   output)
    lost = comdat_names(removed, '.eh_frame$') - comdat_names(removed, '.text$')
    if lost:
        sys.exit('lean-link: functions kept without their unwind entries: ' + ', '.join(sorted(lost)[:10]))
    print('lean-link: %d unused library functions left out' % len(unused & comdat_names(removed, '.text$')))


if __name__ == '__main__':
    main()
