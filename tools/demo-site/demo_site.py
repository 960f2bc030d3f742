#!/usr/bin/env python3
"""A small film site on 127.0.0.1 for trying Ferrik, and the site list and schemes that know it.

    demo_site.py serve --data-dir DIR [--port N] [--port-file F]
        writes DIR/Rule.dat and DIR/RunFilter.dat (GBK) for the port it got, then serves:
          /plain/            qvod:// links written plainly            (scheme EnId 0)
          /escaped/          the links %-escaped inside a script      (no scheme: 加密 command)
          /twolevel/show/    a film page that links to its play page  (scheme EnId 2, Unescape 1)
          /episodes/         an episode list, one page per episode    (scheme EnId 1)
    demo_site.py pages
        writes every page of the site to standard output, each as its path, a line feed, its
        length in bytes, a line feed and the page (GBK, as served).
    demo_site.py screenshot XWD PNG
        converts an Xvfb frame buffer file (XWD) to PNG.
"""
import argparse
import hashlib
import http.server
import os
import struct
import sys
import urllib.parse
import zlib

FILM_PLAIN = "天龙八部"
FILM_ESCAPED = "射雕英雄传"
FILM_TWO_LEVEL = "神雕侠侣"
FILM_EPISODES = "笑傲江湖"


def qvod_link(film, episode):
    name = f"{film}第{episode:02d}集.rmvb"
    digest = hashlib.sha1(name.encode("utf-8")).hexdigest().upper()
    size = 200_000_000 + int(digest[:6], 16)
    return f"qvod://{size}|{digest}|{name}|", name


def js_escape(text):
    """As JavaScript's escape(): %XX below U+0100, %uXXXX above, letters and digits kept."""
    out = []
    for ch in text:
        code = ord(ch)
        if ch.isascii() and (ch.isalnum() or ch in "@*_+-./"):
            out.append(ch)
        elif code < 0x100:
            out.append(f"%{code:02X}")
        else:
            out.append(f"%u{code:04X}")
    return "".join(out)


def page(title, body):
    return f"""<!DOCTYPE html>
<html><head><meta http-equiv="Content-Type" content="text/html; charset=gb2312">
<title>{title} - Ferrik 演示站</title></head>
<body><h1>{title}</h1>
{body}
<p><a href="/">返回首页</a> | <a href="/about.html">关于本站</a></p>
</body></html>
"""


def plain_page():
    items = []
    for ep in range(1, 9):
        link, name = qvod_link(FILM_PLAIN, ep)
        items.append(f'<li><a href="{link}">{name}</a></li>')
    # The same link twice: Ferrik lists it once.
    items.append(f'<li><a href="{qvod_link(FILM_PLAIN, 1)[0]}">第01集（备用）</a></li>')
    return page(f"{FILM_PLAIN} 全集", "<ul>\n" + "\n".join(items) + "\n</ul>")


def escaped_links_script(film, count):
    urls = ",".join(f'"{js_escape(qvod_link(film, ep)[0])}"' for ep in range(1, count + 1))
    return f"""<script type="text/javascript">
var QvodUrls = [{urls}];
for (var i = 0; i < QvodUrls.length; i++) document.write('<p>' + unescape(QvodUrls[i]) + '</p>');
</script>"""


def escaped_page():
    return page(f"{FILM_ESCAPED} 在线观看", escaped_links_script(FILM_ESCAPED, 6))


def two_level_show_page():
    body = f"""<p>{FILM_TWO_LEVEL}，共 5 集。</p>
<p><a href="/twolevel/show/intro.html">剧情介绍</a></p>
<p><a href="/twolevel/play/12.html">立即播放</a></p>"""
    return page(FILM_TWO_LEVEL, body)


def two_level_play_page():
    return page(f"{FILM_TWO_LEVEL} 播放", escaped_links_script(FILM_TWO_LEVEL, 5))


def episodes_list_page():
    items = [f'<li><a href="/episodes/ep{ep:02d}.html">第{ep:02d}集</a></li>' for ep in range(1, 7)]
    return page(f"{FILM_EPISODES} 分集列表", '<p><a href="/episodes/news.html">最新消息</a></p>\n<ul>\n' +
                "\n".join(items) + "\n</ul>")


def episode_page(ep):
    link, name = qvod_link(FILM_EPISODES, ep)
    return page(f"{FILM_EPISODES} 第{ep:02d}集", f'<p>快播地址：<a href="{link}">{name}</a></p>')


def two_level_home_page():
    return page(f"{FILM_TWO_LEVEL}（两级页面）", '<p><a href="/twolevel/show/12.html">神雕侠侣 全5集</a></p>')


def episodes_home_page():
    return page(f"{FILM_EPISODES}（分集页面）", '<p><a href="/episodes/list.html">笑傲江湖 分集列表</a></p>')


def index_page():
    body = """<ul>
<li><a href="/plain/">天龙八部（直接链接）</a></li>
<li><a href="/escaped/">射雕英雄传（加密链接）</a></li>
<li><a href="/twolevel/show/12.html">神雕侠侣（两级页面）</a></li>
<li><a href="/episodes/list.html">笑傲江湖（分集页面）</a></li>
</ul>"""
    return page("Ferrik 演示站", body)


def route(path):
    path = urllib.parse.urlsplit(path).path
    if path in ("/", "/index.html"):
        return index_page()
    if path in ("/plain/", "/plain/index.html"):
        return plain_page()
    if path in ("/escaped/", "/escaped/index.html"):
        return escaped_page()
    # The sites' home pages, which the web window's site list opens.
    if path in ("/twolevel/", "/twolevel/index.html"):
        return two_level_home_page()
    if path in ("/episodes/", "/episodes/index.html"):
        return episodes_home_page()
    if path == "/twolevel/show/12.html":
        return two_level_show_page()
    if path == "/twolevel/play/12.html":
        return two_level_play_page()
    if path == "/episodes/list.html":
        return episodes_list_page()
    if path.startswith("/episodes/ep") and path.endswith(".html"):
        try:
            ep = int(path[len("/episodes/ep"):-len(".html")])
        except ValueError:
            return None
        return episode_page(ep) if 1 <= ep <= 6 else None
    if path in ("/about.html", "/episodes/news.html", "/twolevel/show/intro.html"):
        return page("说明", "<p>这是 Ferrik 的本地演示站，只在本机上运行。</p>")
    return None


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        html = route(self.path)
        status = 200 if html is not None else 404
        body = (html if html is not None else page("找不到网页", "<p>404</p>")).encode("gbk")
        self.send_response(status)
        self.send_header("Content-Type", "text/html; charset=gb2312")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, fmt, *args):
        pass


def addresses(port):
    base = f"http://127.0.0.1:{port}"
    return [
        ("智能分析（方案 EnId 0）或 分析网页中的Qvod地址", f"{base}/plain/"),
        ("分析网页中的Qvod地址(加密)", f"{base}/escaped/"),
        ("智能分析（方案 EnId 2：两级页面）", f"{base}/twolevel/show/12.html"),
        ("智能分析（方案 EnId 1：分集页面）或 分析Qvod集数页面", f"{base}/episodes/list.html"),
    ]


def write_data_files(data_dir, port, shipped_dir):
    site = f"127.0.0.1:{port}"
    rules = [
        f"{site}/plain/|demo_plain|演示：天龙八部（直接链接）",
        f"{site}/twolevel/|demo_twolevel|演示：神雕侠侣（两级页面）",
        f"{site}/episodes/|demo_episodes|演示：笑傲江湖（分集页面）",
    ]
    schemes = """[demo_plain]
FilterStr=*
StartStr=
EnId=0
Unescape=0

[demo_twolevel]
FilterStr=*/twolevel/play/*.html
StartStr=
EnId=2
Unescape=1

[demo_episodes]
FilterStr=*/episodes/ep##.html
StartStr=
EnId=1
Unescape=0
"""
    rule_text = "\r\n".join(rules) + "\r\n"
    scheme_text = schemes.replace("\n", "\r\n")
    # The shipped sites follow the demo's, so the web window still lists them.
    if shipped_dir:
        for name in ("Rule.dat", "RunFilter.dat"):
            path = os.path.join(shipped_dir, name)
            if os.path.isfile(path):
                with open(path, "rb") as f:
                    extra = f.read().decode("gbk", errors="replace")
                if name == "Rule.dat":
                    rule_text += extra
                else:
                    scheme_text += "\r\n" + extra
    with open(os.path.join(data_dir, "Rule.dat"), "wb") as f:
        f.write(rule_text.encode("gbk"))
    with open(os.path.join(data_dir, "RunFilter.dat"), "wb") as f:
        f.write(scheme_text.encode("gbk"))


def serve(args):
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), Handler)
    port = server.server_address[1]
    write_data_files(args.data_dir, port, args.shipped_dir)
    if args.port_file:
        with open(args.port_file + ".tmp", "w") as f:
            f.write(f"{port}\n")
        os.replace(args.port_file + ".tmp", args.port_file)
    print(f"demo film site on http://127.0.0.1:{port}/ ; paste one of these into Ferrik's address box:")
    for what, url in addresses(port):
        print(f"  {url:<48} {what}")
    sys.stdout.flush()
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def xwd_to_png(xwd_path, png_path):
    with open(xwd_path, "rb") as f:
        data = f.read()
    fields = struct.unpack(">25I", data[:100])
    header_size, version = fields[0], fields[1]
    width, height = fields[4], fields[5]
    byte_order, bpp, bytes_per_line = fields[7], fields[11], fields[12]
    red_mask, green_mask, blue_mask = fields[14], fields[15], fields[16]
    ncolors = fields[19]
    if version != 7 or bpp != 32:
        raise SystemExit(f"unsupported frame buffer: version {version}, {bpp} bits per pixel")
    offset = header_size + ncolors * 12
    order = "<" if byte_order == 0 else ">"

    def shift(mask):
        return (mask & -mask).bit_length() - 1

    rs, gs, bs = shift(red_mask), shift(green_mask), shift(blue_mask)
    rows = bytearray()
    for y in range(height):
        line = data[offset + y * bytes_per_line: offset + y * bytes_per_line + width * 4]
        rows.append(0)
        for (px,) in struct.iter_unpack(order + "I", line):
            rows += bytes(((px & red_mask) >> rs, (px & green_mask) >> gs, (px & blue_mask) >> bs))
    png = b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += png_chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + png_chunk(b"IEND", b"")
    with open(png_path, "wb") as f:
        f.write(png)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    sub = parser.add_subparsers(dest="command", required=True)
    s = sub.add_parser("serve")
    s.add_argument("--data-dir", required=True)
    s.add_argument("--shipped-dir")
    s.add_argument("--port", type=int, default=0)
    s.add_argument("--port-file")
    sub.add_parser("pages")
    c = sub.add_parser("screenshot")
    c.add_argument("xwd")
    c.add_argument("png")
    args = parser.parse_args()
    if args.command == "serve":
        serve(args)
    elif args.command == "pages":
        paths = ["/", "/plain/", "/escaped/", "/twolevel/show/12.html", "/twolevel/play/12.html",
                 "/episodes/list.html", "/about.html", "/episodes/news.html", "/twolevel/show/intro.html"]
        paths += [f"/episodes/ep{ep:02d}.html" for ep in range(1, 7)]
        for path in paths:
            body = route(path).encode("gbk")
            sys.stdout.buffer.write(f"{path}\n{len(body)}\n".encode("ascii") + body)
    else:
        xwd_to_png(args.xwd, args.png)


if __name__ == "__main__":
    main()
