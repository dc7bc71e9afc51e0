"""Reads the PNG files that demo-screenshot writes, so screenshots can be compared pixel by pixel.

Only what that tool writes is read: 8-bit RGB or RGBA, not interlaced. Anything else is refused
with an error rather than misread.
"""

import struct
import zlib

_SIGNATURE = b"\x89PNG\r\n\x1a\n"
_CHANNELS = {2: 3, 6: 4}  # colour type -> bytes per pixel at 8 bits per sample


class Picture:
    """A decoded picture: width, height and rows of packed RGB bytes (alpha dropped)."""

    def __init__(self, width, height, rows):
        self.width = width
        self.height = height
        self.rows = rows

    def pixel(self, x, y):
        row = self.rows[y]
        return tuple(row[3 * x:3 * x + 3])

    def distinct_colours(self, limit=16):
        """How many different colours the picture holds, counting no further than limit."""
        seen = set()
        for row in self.rows:
            for offset in range(0, len(row), 3):
                seen.add(row[offset:offset + 3])
                if len(seen) >= limit:
                    return limit
        return len(seen)


def _unfilter(kind, line, previous, step):
    out = bytearray(line)
    if kind == 0:
        return out
    for i in range(len(out)):
        left = out[i - step] if i >= step else 0
        up = previous[i]
        if kind == 1:
            out[i] = (out[i] + left) & 0xFF
        elif kind == 2:
            out[i] = (out[i] + up) & 0xFF
        elif kind == 3:
            out[i] = (out[i] + ((left + up) >> 1)) & 0xFF
        elif kind == 4:
            corner = previous[i - step] if i >= step else 0
            estimate = left + up - corner
            pa, pb, pc = abs(estimate - left), abs(estimate - up), abs(estimate - corner)
            if pa <= pb and pa <= pc:
                predictor = left
            elif pb <= pc:
                predictor = up
            else:
                predictor = corner
            out[i] = (out[i] + predictor) & 0xFF
        else:
            raise ValueError(f"unknown PNG row filter {kind}")
    return out


def _chunks(path):
    with open(path, "rb") as handle:
        data = handle.read()
    if not data.startswith(_SIGNATURE):
        raise ValueError(f"{path} is not a PNG file")
    offset = len(_SIGNATURE)
    header = None
    compressed = bytearray()
    while offset < len(data):
        length, kind = struct.unpack(">I4s", data[offset:offset + 8])
        body = data[offset + 8:offset + 8 + length]
        offset += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            compressed += body
        elif kind == b"IEND":
            break
    if header is None:
        raise ValueError(f"{path} has no IHDR chunk")
    return header, zlib.decompress(bytes(compressed))


def same_pixels(first_path, second_path):
    """Whether two screenshots hold exactly the same pixels. The encoder picks each row's filter
    from the pixels alone, so equal pictures give equal streams and unequal ones cannot: this
    answers without undoing the filters, which is slow in Python."""
    return _chunks(first_path) == _chunks(second_path)


def read_png(path):
    header, raw = _chunks(path)
    width, height, depth, colour_type, _, _, interlace = header
    if depth != 8 or colour_type not in _CHANNELS or interlace != 0:
        raise ValueError(f"{path}: only 8-bit RGB or RGBA without interlacing is read "
                         f"(depth {depth}, colour type {colour_type}, interlace {interlace})")
    step = _CHANNELS[colour_type]
    stride = width * step
    if len(raw) != height * (stride + 1):
        raise ValueError(f"{path}: {len(raw)} bytes of pixels for {width} x {height}")
    rows = []
    previous = bytearray(stride)
    for y in range(height):
        start = y * (stride + 1)
        line = _unfilter(raw[start], raw[start + 1:start + 1 + stride], previous, step)
        previous = line
        if step == 4:
            rgb = bytearray(width * 3)
            rgb[0::3], rgb[1::3], rgb[2::3] = line[0::4], line[1::4], line[2::4]
            rows.append(bytes(rgb))
        else:
            rows.append(bytes(line))
    return Picture(width, height, rows)
