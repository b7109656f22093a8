#!/usr/bin/env python3
"""Regenerates the artwork beside this script from the SVG sources in src/.

    resources/art/make_artwork.py                  write every picture and the icon
    resources/art/make_artwork.py --preview DIR    also write DIR/preview-main.png and
                                                   DIR/preview-about.png, the two windows mocked
                                                   up with the new artwork and sample texts

The sources are plain SVG and hold no text: the letters of the logo are drawn as strokes. A source
may place another with <image href="other.svg" .../>; before rasterising, such a reference is
replaced by the other file's drawing as a nested <svg> (its ids prefixed), so that everything is
drawn as vectors at the final size and the sources stay viewable on their own in any browser.

Rasterising uses rsvg-convert (Debian package librsvg2-bin), which this script installs when it is
missing. The build never runs this script: it uses the committed PNG and ICO files. The output
depends only on the sources and the rsvg-convert version, so running it twice writes the same
bytes.

Outputs:
    background.png    764 x 500  main window background
    logo.png          400 x 50   mark and word "Zentrim", clear background
    nav_help.png       78 x 27   navigation buttons, opaque: each carries the piece of the
    nav_home.png       85 x 27   background it covers, so it looks right however it is painted
    nav_support.png   108 x 27
    nav_about.png      99 x 27
    list_desktop.png   16 x 16   Windows list, desktop editions
    list_server.png    16 x 16   Windows list, server editions
    list_item.png      16 x 16   processor and internet-type lists
    about_banner.png  700 x 60   About window banner
    product.png       256 x 256  product picture, clear background
    product_watermark.png 256 x 256  the product picture faint, to lie behind the About window's text
    zentrim.ico                  program icon: 16, 24, 32, 48 px as 32-bit bitmaps, 256 px as PNG
"""

import argparse
import base64
import os
import pathlib
import re
import shutil
import struct
import subprocess
import sys
import zlib

HERE = pathlib.Path(__file__).resolve().parent
SOURCES = HERE / "src"

# (output file, source file, width, height)
PICTURES = [
    ("background.png", "background.svg", 764, 500),
    ("logo.png", "logo.svg", 400, 50),
    ("nav_help.png", "nav_help.svg", 78, 27),
    ("nav_home.png", "nav_home.svg", 85, 27),
    ("nav_support.png", "nav_support.svg", 108, 27),
    ("nav_about.png", "nav_about.svg", 99, 27),
    ("list_desktop.png", "list_desktop.svg", 16, 16),
    ("list_server.png", "list_server.svg", 16, 16),
    ("list_item.png", "list_item.svg", 16, 16),
    ("about_banner.png", "about_banner.svg", 700, 60),
    ("product.png", "product.svg", 256, 256),
    ("product_watermark.png", "product_watermark.svg", 256, 256),
]

# Icon images, smallest first: the two smallest have sources of their own, fitted to the pixel grid.
ICON_FILE = "zentrim.ico"
ICON_IMAGES = [(16, "mark_16.svg"), (24, "mark_24.svg"), (32, "mark.svg"), (48, "mark.svg"),
               (256, "product.svg")]


def ensure_rsvg_convert():
    """Installs librsvg2-bin when rsvg-convert is missing, as scripts/setup installs packages."""
    if shutil.which("rsvg-convert"):
        return
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    print("make_artwork: installing librsvg2-bin")
    env = dict(os.environ, DEBIAN_FRONTEND="noninteractive")
    subprocess.run(sudo + ["apt-get", "update", "-qq"], check=True, env=env)
    subprocess.run(sudo + ["apt-get", "install", "-y", "-qq", "--no-install-recommends", "librsvg2-bin"],
                   check=True, env=env, stdout=subprocess.DEVNULL)


# --- Source inlining ------------------------------------------------------------------------------

ROOT_PATTERN = re.compile(r"<svg\b([^>]*)>(.*)</svg>\s*$", re.DOTALL)
IMAGE_PATTERN = re.compile(r"<image\b([^>]*?)/>", re.DOTALL)
ATTRIBUTE_PATTERN = re.compile(r'([\w:-]+)="([^"]*)"')


class Inliner:
    """Replaces <image href="x.svg"> references by the referenced drawing, recursively."""

    def __init__(self):
        self.count = 0

    def expand(self, text, depth=0):
        if depth > 8:
            raise ValueError("SVG sources reference each other in a loop")
        return IMAGE_PATTERN.sub(lambda m: self._replace(m, depth), text)

    def _replace(self, match, depth):
        attributes = dict(ATTRIBUTE_PATTERN.findall(match.group(1)))
        href = attributes.pop("href", attributes.pop("xlink:href", ""))
        if not href.endswith(".svg") or ":" in href:
            return match.group(0)
        source = (SOURCES / href).read_text(encoding="utf-8")
        root = ROOT_PATTERN.search(source)
        if root is None:
            raise ValueError(f"{href}: no <svg> root element")
        root_attributes = dict(ATTRIBUTE_PATTERN.findall(root.group(1)))
        view_box = root_attributes.get("viewBox") or "0 0 {width} {height}".format(**root_attributes)
        self.count += 1
        prefix = f"inc{self.count}-"
        inner = self.expand(root.group(2), depth + 1)
        inner = re.sub(r'\bid="([^"]+)"', rf'id="{prefix}\1"', inner)
        inner = re.sub(r"url\(#([^)]+)\)", rf"url(#{prefix}\1)", inner)
        inner = re.sub(r'href="#([^"]+)"', rf'href="#{prefix}\1"', inner)
        place = {key: attributes.pop(key) for key in ("x", "y", "width", "height") if key in attributes}
        place_text = " ".join(f'{key}="{value}"' for key, value in place.items())
        nested = f'<svg {place_text} viewBox="{view_box}" overflow="hidden">{inner}</svg>'
        if attributes:  # filter, opacity, transform and the like apply to the placed drawing
            rest = " ".join(f'{key}="{value}"' for key, value in attributes.items())
            nested = f"<g {rest}>{nested}</g>"
        return nested


def render(svg_text, width, height):
    """Rasterises SVG text at the given size and returns the PNG bytes."""
    result = subprocess.run(["rsvg-convert", "-w", str(width), "-h", str(height)],
                            input=svg_text.encode("utf-8"), stdout=subprocess.PIPE, check=True)
    png = result.stdout
    actual = png_size(png)
    if actual != (width, height):
        raise ValueError(f"rsvg-convert gave {actual}, wanted {(width, height)}")
    return png


def render_source(name, width, height):
    text = (SOURCES / name).read_text(encoding="utf-8")
    return render(Inliner().expand(text), width, height)


# --- PNG reading (for the icon's bitmap images) ---------------------------------------------------

def png_size(png):
    if png[:8] != b"\x89PNG\r\n\x1a\n" or png[12:16] != b"IHDR":
        raise ValueError("not a PNG")
    return struct.unpack(">II", png[16:24])


def png_rgba(png):
    """Decodes the 8-bit RGB or RGBA, non-interlaced PNG that rsvg-convert writes."""
    width, height = png_size(png)
    bit_depth, colour_type, interlace = png[24], png[25], png[28]
    if bit_depth != 8 or colour_type not in (2, 6) or interlace != 0:
        raise ValueError("unexpected PNG format")
    channels = 4 if colour_type == 6 else 3
    data = bytearray()
    pos = 8
    while pos < len(png):
        (length,) = struct.unpack(">I", png[pos:pos + 4])
        kind = png[pos + 4:pos + 8]
        if kind == b"IDAT":
            data += png[pos + 8:pos + 8 + length]
        pos += 12 + length
    raw = zlib.decompress(bytes(data))
    stride = width * channels
    previous = bytearray(stride)
    rgba = bytearray()
    for row in range(height):
        start = row * (stride + 1)
        kind = raw[start]
        line = bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            up_left = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                guess = left + up - up_left
                distances = (abs(guess - left), abs(guess - up), abs(guess - up_left))
                predictor = left if distances[0] <= distances[1] and distances[0] <= distances[2] else (
                    up if distances[1] <= distances[2] else up_left)
                line[i] = (line[i] + predictor) & 0xFF
        if channels == 4:
            rgba += line
        else:
            for i in range(0, stride, 3):
                rgba += line[i:i + 3] + b"\xff"
        previous = line
    return width, height, bytes(rgba)


# --- ICO writing ----------------------------------------------------------------------------------

def icon_bitmap(png):
    """A 32-bit icon image: BITMAPINFOHEADER (double height), BGRA rows bottom-up, AND mask."""
    width, height, rgba = png_rgba(png)
    pixels = bytearray()
    for row in reversed(range(height)):
        for column in range(width):
            r, g, b, a = rgba[(row * width + column) * 4:(row * width + column) * 4 + 4]
            pixels += bytes((b, g, r, a))
    mask_stride = ((width + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(range(height)):
        line = bytearray(mask_stride)
        for column in range(width):
            if rgba[(row * width + column) * 4 + 3] == 0:  # fully clear: transparent in the mask too
                line[column // 8] |= 0x80 >> (column % 8)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0,
                         0)
    return header + bytes(pixels) + bytes(mask)


def write_icon(images):
    """images: list of (size, png bytes). Sizes up to 48 as bitmaps, 256 as PNG."""
    entries = []
    for size, png in images:
        entries.append((size, png if size >= 256 else icon_bitmap(png)))
    offset = 6 + 16 * len(entries)
    directory = struct.pack("<HHH", 0, 1, len(entries))
    body = b""
    for size, data in entries:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        body += data
        offset += len(data)
    return directory + body


# --- Previews -------------------------------------------------------------------------------------

def data_uri(png):
    return "data:image/png;base64," + base64.b64encode(png).decode("ascii")


def preview_main(outputs):
    pictures = {name: data_uri(png) for name, png in outputs.items()}
    return f"""<svg xmlns="http://www.w3.org/2000/svg" width="764" height="500" font-family="DejaVu Sans"
  font-size="11px">
  <image href="{pictures['background.png']}" width="764" height="500"/>
  <image href="{pictures['logo.png']}" x="8" y="16" width="400" height="50"/>
  <image href="{pictures['nav_help.png']}" x="672" y="16" width="78" height="27"/>
  <image href="{pictures['nav_home.png']}" x="471" y="58" width="85" height="27"/>
  <image href="{pictures['nav_support.png']}" x="556" y="58" width="108" height="27"/>
  <image href="{pictures['nav_about.png']}" x="664" y="58" width="99" height="27"/>
  <g fill="#ffffff">
    <text x="701" y="32">Help</text>
    <text x="502" y="74" font-weight="bold">Home</text>
    <text x="587" y="74" font-weight="bold">Support</text>
    <text x="695" y="74" font-weight="bold">About</text>
  </g>
  <text x="16" y="110" font-size="13px" font-weight="bold" fill="#808080">Choose a link below</text>
  <text x="16" y="145">Help with Zentrim</text>
  <text x="16" y="175">Contact tech support</text>
  <text x="16" y="205">Click to visit our website</text>
  <text x="16" y="261">About Zentrim</text>
  <rect x="182" y="91" width="582" height="388" fill="#ffffff"/>
  <rect x="182" y="91" width="582" height="65" fill="#f0f0f0"/>
  <text x="198" y="107" font-weight="bold">Benefits of Zentrim</text>
  <g fill="#808080">
    <text x="198" y="126">Zentrim will optimize this computer and internet speed by adjusting</text>
    <text x="198" y="140">several settings within Windows.</text>
  </g>
  <text x="198" y="177">Operating System : </text>
  <rect x="198.5" y="186.5" width="308" height="23" fill="#ffffff" stroke="#7a7a7a"/>
  <image href="{pictures['list_desktop.png']}" x="203" y="190" width="16" height="16"/>
  <text x="224" y="202">  Microsoft \u00ae Windows 11</text>
  <text x="198" y="229">Processor : </text>
  <rect x="198.5" y="238.5" width="308" height="23" fill="#ffffff" stroke="#7a7a7a"/>
  <image href="{pictures['list_item.png']}" x="203" y="242" width="16" height="16"/>
  <text x="224" y="254">  Intel \u00ae Processor</text>
  <text x="198" y="281">Internet Type : </text>
  <rect x="198.5" y="290.5" width="308" height="23" fill="#ffffff" stroke="#7a7a7a"/>
  <image href="{pictures['list_item.png']}" x="203" y="294" width="16" height="16"/>
  <text x="224" y="306">  Cable | DSL | Wi-Fi</text>
  <rect x="582.5" y="186.5" width="144" height="51" rx="3" fill="#e1e1e1" stroke="#0078d7"/>
  <text x="654" y="216" text-anchor="middle" font-weight="bold">Optimize now</text>
  <rect x="582.5" y="262.5" width="144" height="24" rx="3" fill="#f4f4f4" stroke="#bfbfbf"/>
  <text x="654" y="278" text-anchor="middle" fill="#a0a0a0">Restore</text>
  <rect x="198" y="408" width="536" height="1" fill="#a0a0a0"/>
  <text x="198" y="438" font-weight="bold">Version installed : 2.10.21.2024</text>
  <text x="198" y="457">Last updated : 12/9/2024</text>
</svg>"""


def preview_about(outputs):
    pictures = {name: data_uri(png) for name, png in outputs.items()}
    return f"""<svg xmlns="http://www.w3.org/2000/svg" width="700" height="441" font-family="DejaVu Sans"
  font-size="11px">
  <rect width="700" height="441" fill="#f0f0f0"/>
  <rect width="700" height="386" fill="#ffffff"/>
  <image href="{pictures['about_banner.png']}" width="700" height="60"/>
  <text x="48" y="33" font-size="16px" font-weight="bold" fill="#ffffff">
    More information about this software</text>
  <text x="72" y="95" font-size="13px" font-weight="bold">Zentrim 2  (Version : 2.10.21.2024)</text>
  <text x="72" y="113">Copyright \u00a9 2024 ORVANE. All rights reserved.</text>
  <image href="{pictures['product_watermark.png']}" x="372" y="130" width="256" height="256"/>
  <rect x="72.5" y="136.5" width="556" height="73" fill="#ffffff" stroke="#a0a0a0"/>
  <text x="76" y="150">Acknowledgements</text>
  <text x="72" y="297" fill="#0066cc">Click to view the end-user license terms</text>
  <rect y="386" width="700" height="1" fill="#a0a0a0"/>
  <rect x="14.5" y="403.5" width="79" height="25" rx="3" fill="#e1e1e1" stroke="#adadad"/>
  <text x="54" y="420" text-anchor="middle">Help</text>
  <rect x="608.5" y="403.5" width="79" height="25" rx="3" fill="#e1e1e1" stroke="#0078d7"/>
  <text x="648" y="420" text-anchor="middle">Close</text>
</svg>"""


# --- Main -----------------------------------------------------------------------------------------

def write_if_changed(path, data):
    if path.exists() and path.read_bytes() == data:
        return False
    path.write_bytes(data)
    return True


def main():
    parser = argparse.ArgumentParser(description="Regenerates the artwork from the SVG sources.")
    parser.add_argument("--preview", metavar="DIR", type=pathlib.Path,
                        help="also write mock-ups of the main and About windows into DIR")
    arguments = parser.parse_args()

    ensure_rsvg_convert()
    outputs = {}
    for output, source, width, height in PICTURES:
        outputs[output] = render_source(source, width, height)
    icon = write_icon([(size, render_source(source, size, size)) for size, source in ICON_IMAGES])

    changed = [name for name, data in outputs.items() if write_if_changed(HERE / name, data)]
    if write_if_changed(HERE / ICON_FILE, icon):
        changed.append(ICON_FILE)
    print("make_artwork: " + (f"wrote {', '.join(changed)}" if changed else "everything up to date"))

    if arguments.preview:
        arguments.preview.mkdir(parents=True, exist_ok=True)
        previews = [("preview-main.png", preview_main(outputs), 764, 500),
                    ("preview-about.png", preview_about(outputs), 700, 441)]
        for name, svg, width, height in previews:
            image = render(svg, width, height)
            (arguments.preview / name).write_bytes(image)
            print(f"make_artwork: preview {arguments.preview / name}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
