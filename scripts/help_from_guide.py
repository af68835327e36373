#!/usr/bin/env python3
"""Writes the console's help page (resources/help/server.htm) from the
operator's guide (docs/operator-guide.md), keeping the page's head and its
table of pictures. Run from the repository's root after editing the guide.
"""
import re, html, sys
src = open('docs/operator-guide.md').read()
old = open('resources/help/server.htm').read()
head = old[:old.index('<body>')+len('<body>')]
pictures = old[old.index('<table>'):old.index('</table>')+len('</table>')]

def inline(t):
    t = html.escape(t, quote=False)
    t = re.sub(r'`([^`]+)`', r'<code>\1</code>', t)
    t = re.sub(r'\*\*([^*]+)\*\*', r'<b>\1</b>', t)
    t = re.sub(r'\*([^*]+)\*', r'<i>\1</i>', t)
    return t

# The guide's screenshots stay in docs/; the page carries its own pictures.
lines = [l for l in src.split('\n') if not l.strip().startswith('![')]
out = []
i = 0
para = []
def flush():
    global para
    if para:
        out.append('<p>' + inline(' '.join(para)) + '</p>')
        para = []
toc = []
while i < len(lines):
    l = lines[i]
    if l.startswith('# '):
        flush(); out.append('<h1>Korvane: operator\'s help</h1>'); i += 1; continue
    if l.startswith('## '):
        flush(); title = l[3:]
        anchor = re.sub(r'[^a-z]+', '-', title.lower()).strip('-')
        toc.append((anchor, title))
        out.append(f'<h2 id="{anchor}">{inline(title)}</h2>'); i += 1; continue
    if l.startswith('|'):
        flush()
        start = i
        while i < len(lines) and lines[i].startswith('|'):
            i += 1
        # The status pictures' table only; a table of screenshots stays in docs/.
        if not any('![' in row for row in lines[start:i]):
            out.append(pictures)
        continue
    if re.match(r'^ *- ', l):
        flush()
        # a list, items may continue on indented lines, nested at 2 spaces
        items = []
        while i < len(lines) and (re.match(r'^ *- ', lines[i]) or (lines[i].startswith('  ') and lines[i].strip())):
            m = re.match(r'^( *)- (.*)', lines[i])
            if m:
                items.append([len(m.group(1)), m.group(2)])
            else:
                items[-1][1] += ' ' + lines[i].strip()
            i += 1
        html_items = []
        level = 0
        res = '<ul>'
        for depth, text in items:
            d = 1 if depth >= 2 else 0
            if d > level:
                res = res[:-5] if res.endswith('</li>') else res
                res += '<ul>'
            elif d < level:
                res += '</ul></li>'
            level = d
            res += '<li>' + inline(text) + '</li>'
        if level:
            res += '</ul></li>'
        res += '</ul>'
        out.append(res)
        continue
    if not l.strip():
        flush(); i += 1; continue
    para.append(l.strip()); i += 1
flush()
body = [out[0], '<p class="toc">' + ' · '.join(f'<a href="#{a}">{html.escape(t)}</a>' for a, t in toc) + '</p>'] + out[1:]
page = head + '\n' + '\n'.join(body) + '\n</body>\n</html>\n'
if '.toc' not in page:
    page = page.replace('img { width: 31px; height: 32px; }', 'img { width: 31px; height: 32px; } .toc { font-size: 90%; }')
open('resources/help/server.htm', 'w').write(page)
