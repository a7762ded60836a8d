#!/usr/bin/env python3
"""Keeps the includes to the layers of docs/architecture.md.

Every include of the project's own headers names its layer from src/
("lists/UserListFormat.h"), and a layer uses only the layers below it. The
table below is that drawing; a change of the architecture changes both.

    scripts/check-layers.py [--self-test] [SOURCE_DIR]

Prints each include that reaches up a layer or sideways, and exits 1 when
there is one. With --self-test it first plants an include of the program's
window into the base and makes sure that is the one fault it finds.
"""
import os
import re
import sys

# Each layer (a folder under src/, the longest that matches) and the layers
# it may include, besides itself. A folder's tests/ may include what the
# folder may, and the test support of tests/support.
LAYERS = {
    'base': [],
    'compat': ['base'],
    'desktop/portal': ['base'],
    'desktop/typing': ['base', 'desktop/portal'],
    'desktop/typing/x11': ['base', 'desktop/typing'],
    'desktop/typing/wayland': ['base', 'desktop/typing'],
    'desktop/typing/module': ['desktop/typing', 'desktop/typing/x11', 'desktop/typing/wayland'],
    'desktop': ['base', 'desktop/portal', 'desktop/typing', 'desktop/typing/x11'],
    'ovsmiley': ['base', 'compat'],
    'ovobj10': ['base', 'compat'],
    'ovshell': ['base', 'compat', 'ovobj10'],
    'catalogue': ['base', 'compat', 'ovsmiley'],
    'lists': ['base', 'ovsmiley', 'catalogue'],
    'search': ['base'],
    'keeper': ['base'],
    'service': ['base', 'catalogue', 'lists', 'search', 'desktop', 'desktop/typing'],
    'app/assets': [],
    'app/settings': ['base'],
    # Qt Core alone: the command line and the listing, which the program runs
    # before it loads the window's module.
    'app/cli': ['base', 'ovsmiley', 'catalogue', 'lists', 'search', 'app/settings'],
    'app/models': ['base', 'ovsmiley', 'catalogue', 'lists', 'search', 'app/assets'],
    'app/dialogs': ['base', 'compat', 'ovsmiley', 'catalogue', 'lists', 'app/assets', 'app/models'],
    'app/widgets': ['base', 'compat', 'ovsmiley', 'catalogue', 'lists', 'search', 'desktop',
                    'app/assets', 'app/models', 'app/dialogs'],
    'app/flows': ['base', 'compat', 'ovsmiley', 'catalogue', 'lists', 'search', 'desktop',
                  'desktop/typing', 'app/assets', 'app/settings', 'app/cli', 'app/models', 'app/dialogs',
                  'app/widgets'],
    'app': ['base', 'compat', 'desktop', 'desktop/portal', 'desktop/typing', 'ovsmiley',
            'ovobj10', 'ovshell', 'catalogue', 'lists', 'search', 'app/assets', 'app/settings',
            'app/cli', 'app/models', 'app/dialogs', 'app/widgets', 'app/flows', 'app/module'],
    # The window's main(), loaded by the program's: all of the program.
    'app/module': ['base', 'desktop', 'app', 'app/assets', 'app/cli', 'app/flows'],
}
# What a folder's tests may use beyond what the folder may: the controls'
# tests write their files in the lists' format, the keeper's drive the
# program's hand-over.
TEST_EXTRA = {
    'catalogue': ['lists'],
    'keeper': ['desktop'],
}
# Outside src/: the command-line tools stand on the class registry and the
# libraries; benchmarks, fuzz targets and the test support may reach any
# layer, as the tests do.
OUTSIDE = {
    'tools': ['base', 'compat', 'ovsmiley', 'ovobj10', 'ovshell', 'catalogue'],
    'bench': list(LAYERS),
    'fuzz': list(LAYERS),
    'tests/support': list(LAYERS),
    'data': [],
}
# The installed libraries' public headers lie side by side in one folder of
# an installation, so they name their siblings and export headers plainly.
PUBLIC_HEADERS = {
    'ovsmiley/ZunoSmiley1.h', 'ovobj10/OVObject.h', 'ovshell/ShellLib.h', 'ovshell/ShellLib2.h',
    'catalogue/OVSmiley.h', 'catalogue/OVAcronym.h', 'catalogue/UserListReader.h',
    'compat/AutomationError.h',
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
ANGLED = re.compile(r'^\s*#\s*include\s+<([^>/]+\.h)>', re.M)


def layer_of(path, table):
    best = None
    for name in table:
        if (path == name or path.startswith(name + '/')) and (best is None or len(name) > len(best)):
            best = name
    return best


def sources(root):
    for top, _, names in os.walk(root):
        rel_top = os.path.relpath(top, root)
        if rel_top.startswith(('.git', 'build')) or '/.' in rel_top:
            continue
        for name in names:
            if name.endswith(('.h', '.cpp', '.inc')):
                path = os.path.normpath(os.path.join(rel_top, name))
                yield path, open(os.path.join(root, path), encoding='utf-8', errors='replace').read()


def check(root, planted=()):
    src = os.path.join(root, 'src')
    headers = {name for _, _, names in os.walk(src) for name in names if name.endswith('.h')}
    faults = []
    for path, text in list(sources(root)) + list(planted):
        if path.startswith('src/'):
            inner = path[len('src/'):]
            folder = os.path.dirname(inner)
            is_test = '/tests/' in '/' + inner
            home = layer_of(folder.replace('/tests', '') if is_test else folder, LAYERS)
            allowed = set(LAYERS.get(home, [])) | {home}
            if is_test:
                allowed |= set(TEST_EXTRA.get(home, []))
        else:
            folder = os.path.dirname(path)
            is_test = True
            home = layer_of(folder, OUTSIDE) or layer_of(folder.replace('/tests', ''), OUTSIDE)
            allowed = set(OUTSIDE.get(home, []))
        for included in ANGLED.findall(text):
            if included in headers:
                faults.append(f'{path}: <{included}> names a header of the project in angle brackets')
        for included in INCLUDE.findall(text):
            where = f'{path}: "{included}"'
            if '/' not in included:
                sibling = os.path.isfile(os.path.join(root, os.path.dirname(path), included))
                if not path.startswith('src/') and home:
                    sibling = sibling or os.path.isfile(os.path.join(root, home, included))
                plain_ok = (included.endswith('.moc') or included.endswith('_export.h') or
                            (sibling and (not path.startswith('src/') or is_test and
                                          not os.path.isfile(os.path.join(src, home, included)) or
                                          path[4:] in PUBLIC_HEADERS)))
                if not plain_ok and not os.path.isfile(
                        os.path.join(root, 'tests/support', included)):
                    faults.append(f'{where} does not name its layer')
                continue
            target = os.path.dirname(included)
            if not os.path.isdir(os.path.join(src, target)):
                faults.append(f'{where} names no folder of src/')
                continue
            reached = layer_of(target, LAYERS)
            if reached not in allowed:
                faults.append(f'{where} reaches {reached}, which {home or path} may not use')
    return faults


def main():
    args = sys.argv[1:]
    self_test = '--self-test' in args
    args = [a for a in args if a != '--self-test']
    root = os.path.abspath(args[0] if args else os.path.join(os.path.dirname(__file__), '..'))
    if self_test:
        planted = ('src/base/Planted.cpp', '#include "app/frmMain.h"\n')
        found = [f for f in check(root, [planted]) if f.startswith(planted[0])]
        if len(found) != 1 or 'reaches app' not in found[0]:
            print(f'layer check: the include planted in {planted[0]} was not caught: {found}')
            return 1
        print(f'layer check: a planted {planted[1].strip()} in {planted[0]} is caught')
    faults = check(root)
    for fault in faults:
        print(fault)
    if faults:
        print(f'{len(faults)} includes break the layers of docs/architecture.md')
        return 1
    print('layer check: every include keeps to the layers')
    return 0


if __name__ == '__main__':
    sys.exit(main())
