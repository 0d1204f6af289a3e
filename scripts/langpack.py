#!/usr/bin/env python3
"""Makes the language pack template resources/langpack_parlet.txt.

It lists, once each, every text the plug-in passes through the host's
translation services:
- the string literals given to TranslateString in src/, and those marked
  LPGEN("...") where a text reaches TranslateString through a variable;
- the texts of the dialog templates in resources/*.rc that the host's
  TranslateDialog translates: captions and the texts of static controls and
  buttons (check boxes, radio buttons and group boxes are buttons).

    python3 scripts/langpack.py           writes the template
    python3 scripts/langpack.py --check   fails when the committed one is stale

The layout is the host's language pack layout: a header, then for each text
a line "[English text]" and the line for its translation (empty here). A
line break in a text is written as \\n, a tab as \\t. Lines end in CR LF.
"""
import difflib
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TEMPLATE = os.path.join('resources', 'langpack_parlet.txt')
COMMAND = 'python3 scripts/langpack.py'

C_ESCAPES = {'n': '\n', 't': '\t', 'r': '\r', '\\': '\\', '"': '"', "'": "'", '?': '?', 'a': '\a', '0': '\0'}


def read(path):
    with open(os.path.join(ROOT, path), encoding='latin-1') as f:
        return f.read()


def c_literal(text, pos):
    """The C string literal starting at text[pos] ('"'): (value, end)."""
    out, i = [], pos + 1
    while text[i] != '"':
        if text[i] == '\\':
            c = text[i + 1]
            if c == 'x':
                m = re.match(r'[0-9a-fA-F]+', text[i + 2:])
                out.append(chr(int(m.group(0), 16) & 0xFF))
                i += 2 + len(m.group(0))
                continue
            out.append(C_ESCAPES.get(c, c))
            i += 2
            continue
        out.append(text[i])
        i += 1
    return ''.join(out), i + 1


def skip_space(text, pos):
    """Skips blanks and comments."""
    while True:
        m = re.match(r'\s+|//[^\n]*|/\*.*?\*/', text[pos:], re.S)
        if not m or not m.group(0):
            return pos
        pos += len(m.group(0))


def literals_after(text, pos):
    """Adjacent literals ("a" "b") from pos: their joined value, or None."""
    parts = []
    pos = skip_space(text, pos)
    while pos < len(text) and text[pos] == '"':
        value, pos = c_literal(text, pos)
        parts.append(value)
        pos = skip_space(text, pos)
    return ''.join(parts) if parts else None


def source_texts(path):
    """(texts, calls without a literal) of one source file."""
    text = read(path)
    found, indirect = [], []
    for m in re.finditer(r'\b(TranslateString|LPGEN)\s*\(', text):
        value = literals_after(text, m.end())
        if value is not None:
            found.append(value)
            continue
        after = text[skip_space(text, m.end()):]
        if m.group(1) == 'TranslateString' and not after.startswith('const char'):
            indirect.append('%s:%d' % (path, text.count('\n', 0, m.start()) + 1))
    return found, indirect


RC_TEXT_CONTROLS = ('LTEXT', 'RTEXT', 'CTEXT', 'PUSHBUTTON', 'DEFPUSHBUTTON', 'GROUPBOX', 'CHECKBOX',
                    'AUTOCHECKBOX', 'RADIOBUTTON', 'AUTORADIOBUTTON', 'STATE3', 'AUTO3STATE', 'PUSHBOX')
RC_TRANSLATED_CLASSES = ('button', 'static')


def rc_literal(text, pos):
    """The resource script literal at text[pos]: "" is a quote, \\n a line break."""
    out, i = [], pos + 1
    while True:
        c = text[i]
        if c == '"':
            if i + 1 < len(text) and text[i + 1] == '"':
                out.append('"')
                i += 2
                continue
            return ''.join(out), i + 1
        if c == '\\':
            out.append(C_ESCAPES.get(text[i + 1], text[i + 1]))
            i += 2
            continue
        out.append(c)
        i += 1


def rc_texts(path):
    """Caption and translated control texts of the dialogs in one script."""
    found = []
    statement = ''
    for line in read(path).splitlines():
        line = line.split('//')[0].rstrip()
        # A statement goes on while its line ends in a comma or an operator.
        statement = (statement + ' ' + line.strip()) if statement else line.strip()
        if statement.endswith((',', '|')):
            continue
        current, statement = statement, ''
        m = re.match(r'(\w+)\s+"', current)
        if not m:
            continue
        keyword = m.group(1).upper()
        value, end = rc_literal(current, current.index('"'))
        if keyword == 'CAPTION' or keyword in RC_TEXT_CONTROLS:
            found.append(value)
        elif keyword == 'CONTROL':
            # CONTROL "text", id, "class", style, ...
            cls = re.match(r'\s*,\s*[^,]+,\s*"([^"]*)"', current[end:])
            if cls and cls.group(1).lower() in RC_TRANSLATED_CLASSES:
                found.append(value)
    return found


def version():
    parts = dict(re.findall(r'#define PARLET_VERSION_(MAJOR|MINOR|PATCH|BUILD) (\d+)', read('src/shell/Version.h')))
    return '.'.join(parts[k] for k in ('MAJOR', 'MINOR', 'PATCH', 'BUILD'))


def escaped(text):
    return text.replace('\r', '\\r').replace('\n', '\\n').replace('\t', '\\t')


def files(folder, suffixes):
    out = []
    for base, dirs, names in os.walk(os.path.join(ROOT, folder)):
        dirs.sort()
        out += [os.path.relpath(os.path.join(base, n), ROOT) for n in sorted(names) if n.endswith(suffixes)]
    return sorted(out)


def generate():
    groups, seen, notes = [], set(), []
    for path in files('resources', ('.rc',)):
        groups.append((path, rc_texts(path)))
    for path in files('src', ('.cpp', '.h')):
        texts, indirect = source_texts(path)
        groups.append((path, texts))
        notes += indirect
    lines = [
        'Miranda Language Pack Version 1',
        'Locale: 0809',
        'Authors: ',
        'Author-email: ',
        'Last-Modified-Using: Parlet %s' % version(),
        'Plugins-included: parlet',
        '; The texts of the Parlet plug-in (parlet.dll) %s, for translators.' % version(),
        '; Write the translation on the empty line below each [English text] and',
        '; add the entries to your language pack (langpack_<language>.txt beside',
        '; the host program). \\n in a text is a line break.',
        '; Made by %s from the sources and the resource scripts.' % COMMAND,
    ]
    for path, texts in groups:
        new = [t for t in texts if t and t not in seen]
        if not new:
            continue
        lines += ['', '; ' + path.replace(os.sep, '/')]
        for t in new:
            seen.add(t)
            lines += ['[%s]' % escaped(t), '']
    return '\r\n'.join(lines) + '\r\n', notes


def main(argv):
    content, notes = generate()
    path = os.path.join(ROOT, TEMPLATE)
    if '--check' in argv:
        try:
            committed = open(path, encoding='latin-1', newline='').read()
        except OSError:
            committed = ''
        if committed == content:
            print('%s lists every translated text (%d entries)' % (TEMPLATE, content.count('\r\n[')))
            return 0
        print('%s is stale: the sources or resource scripts changed. Make it again with:' % TEMPLATE)
        print('    ' + COMMAND)
        diff = difflib.unified_diff(committed.splitlines(), content.splitlines(), 'committed', 'generated', lineterm='')
        print('\n'.join(list(diff)[:80]))
        return 1
    with open(path + '.tmp', 'w', encoding='latin-1', newline='') as f:
        f.write(content)
    os.replace(path + '.tmp', path)
    print('wrote %s (%d entries)' % (TEMPLATE, content.count('\r\n[')))
    for note in notes:
        print('note: %s gives TranslateString a variable: mark the texts it may hold with LPGEN("...")' % note)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
