# The anchor of the escaped page's link extraction: a Python reader of the page file. GBK decode,
# %uXXXX by a regex, %XX by unquote (one Latin-1 character per byte, as the program's unescaping
# does), then the links, deduplicated; prints their number.
import re, sys
import urllib.parse
text = open(sys.argv[1], 'rb').read().decode('gbk', errors='replace')
text = re.sub(r'%u([0-9A-Fa-f]{4})', lambda m: chr(int(m.group(1), 16)), text)
text = urllib.parse.unquote(text, encoding='latin-1')
links = dict.fromkeys(re.findall(r'qvod://[^|]*\|[^|]*\|[^|]*\|', text))
print(len(links))
