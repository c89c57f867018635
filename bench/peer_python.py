#!/usr/bin/env python3
# The plain Python peer of the program's open, build and save, written the way
# a user would: read the catalogue, split its lines at "[]", write the page of
# drop-down menus (fields escaped, the page in ASCII with character
# references) and write the catalogue back with CR LF.
#   peer_python.py catalogue header page_name page_out catalogue_out
# Prints "open=S build=S save=S", the seconds each job took.
import re
import sys
import time

SELECT = ('<select style="width:200px; font:14px Arial Black; color:rgb(0,0,0); '
          'background-color:rgb(231,169,126);" name="menu" '
          'onchange="window.open(this.value); window.location.reload();">')
# An ampersand that does not begin a character reference.
LONE_AMPERSAND = re.compile(r'&(?!#[0-9]+;|#[xX][0-9a-fA-F]+;|[A-Za-z][A-Za-z0-9]*;)')


def escape(field):
    field = LONE_AMPERSAND.sub('&amp;', field)
    return field.replace('<', '&lt;').replace('>', '&gt;').replace('"', '&quot;')


def main():
    catalogue, header, page_name, page_out, catalogue_out = sys.argv[1:6]

    start = time.perf_counter()
    with open(catalogue, encoding='utf-8-sig') as f:
        lines = [line.rstrip('\n').split('[]') for line in f]
    opened = time.perf_counter() - start

    start = time.perf_counter()
    page = []
    with open(header, encoding='utf-8-sig') as f:
        for line in f:
            page.append(line.rstrip('\n').replace('ttt', page_name))
    last_menu = None
    for fields in lines:
        if len(fields) != 4:
            continue
        menu, title, address = fields[0], fields[1], fields[2]
        if menu != last_menu:
            if last_menu is not None:
                page.append('</select>')
            page.append(SELECT)
            page.append('  <option selected="0" value="">' + escape(menu) + '</option>')
            last_menu = menu
        page.append('<option value="' + escape(address) + '">' + escape(title) + '</option>')
    page.append('</select></td></tr></table><br></body></html>')
    with open(page_out, 'w', encoding='ascii', errors='xmlcharrefreplace', newline='\r\n') as f:
        for line in page:
            f.write(line + '\n')
    built = time.perf_counter() - start

    start = time.perf_counter()
    with open(catalogue_out, 'w', encoding='utf-8-sig', newline='\r\n') as f:
        for fields in lines:
            f.write('[]'.join(fields) + '\n')
    saved = time.perf_counter() - start

    print('open=%.6f build=%.6f save=%.6f' % (opened, built, saved))


if __name__ == '__main__':
    main()
