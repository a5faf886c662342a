#!/usr/bin/env python3
# Fails on a relative link or #anchor of README.md or docs/*.md that leads nowhere, with anchors
# made from headings as GitHub makes them, and on a README of more than 120 lines.
import pathlib, re, sys
top = pathlib.Path(sys.argv[1])
text = lambda page: re.sub(r'^```.*?^```', '', page.read_text(), flags=re.S | re.M)
def anchors(page):  # lower case, no punctuation, hyphens for spaces; repeats get -1, -2, ...
    h = [re.sub(r'[^\w\- ]', '', t.lower()).replace(' ', '-')
         for t in re.findall(r'^#+ +(.+?) *$', text(page), re.M)]
    return {a + f'-{h[:i].count(a)}' * (a in h[:i]) for i, a in enumerate(h)}
n = len((top / 'README.md').read_text().splitlines())
bad = [f'README.md has {n} lines, more than 120'] * (n > 120)
for page in [top / 'README.md', *sorted(top.glob('docs/*.md'))]:
    for link in re.findall(r'\]\(<?([^)>\s]+)|src="([^"]+)"', re.sub(r'`[^`\n]*`', '', text(page))):
        path, _, anchor = (target := ''.join(link)).partition('#')
        to = page.parent / path if path else page
        if not re.match(r'\w+:', path) and not (to.exists() and (
                not anchor or to.suffix == '.md' and anchor in anchors(to))):
            bad.append(f'{page.relative_to(top)}: {target} leads nowhere')
sys.exit('\n'.join(bad) or print('every link of README.md and docs/ leads somewhere'))
