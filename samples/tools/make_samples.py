#!/usr/bin/env python3
"""Makes the data files of the mapdesk sample documents.

The samples show Brackenford, a small town that exists only here, and the
countryside around it. Everything is made from fixed numbers and a seeded
random generator, so running the script again gives the same files byte for
byte. Only the Python standard library is used.

Coordinates are metres of the British National Grid (EPSG:27700), which
every file declares: the region covers x 0 .. 20000, y 0 .. 15000 (near the
grid's false origin); the town lies in x 8000 .. 12000, y 6000 .. 9000.

    python3 samples/tools/make_samples.py        # writes samples/data/
"""

import json
import math
import random
import struct
import zlib
from pathlib import Path

DATA = Path(__file__).resolve().parent.parent / "data"

EPSG = 27700  # OSGB36 / British National Grid, in metres
REGION = (0.0, 0.0, 20000.0, 15000.0)
TOWN = (8000.0, 6000.0, 12000.0, 9000.0)


# --- GeoJSON ---------------------------------------------------------------

def feature(geometry_type, coordinates, **properties):
    return {"type": "Feature", "properties": properties,
            "geometry": {"type": geometry_type, "coordinates": coordinates}}


def write_geojson(name, features):
    # One feature a line: small files that still read well in a diff.
    lines = [json.dumps(f, ensure_ascii=False, separators=(",", ":")) for f in features]
    # GeoJSON is WGS 84 unless it says otherwise: the old "crs" member says so.
    crs = '{"type":"name","properties":{"name":"urn:ogc:def:crs:EPSG::%d"}}' % EPSG
    text = ('{"type":"FeatureCollection","name":%s,"crs":%s,"features":[\n' % (json.dumps(name.split(".")[0]), crs)
            + ",\n".join(lines) + "\n]}\n")
    (DATA / name).write_text(text, encoding="utf-8")


def rounded(points):
    return [[round(x, 1), round(y, 1)] for x, y in points]


def rectangle(x, y, w, h, angle=0.0):
    cx, cy = x + w / 2, y + h / 2
    c, s = math.cos(angle), math.sin(angle)
    corners = [(-w / 2, -h / 2), (w / 2, -h / 2), (w / 2, h / 2), (-w / 2, h / 2), (-w / 2, -h / 2)]
    return rounded([(cx + dx * c - dy * s, cy + dx * s + dy * c) for dx, dy in corners])


def river_course():
    # The Bracken winds from the north-west hills to the south-east.
    points = []
    for i in range(41):
        t = i / 40
        x = 500 + t * 19000
        y = 13500 - t * 11000 + 900 * math.sin(t * 7.0)
        points.append((x, y))
    return points


def make_rivers():
    tributary = [(10200 + 150 * math.sin(i / 2), 14500 - i * 480) for i in range(13)]
    return [
        feature("LineString", rounded(river_course()), name="River Bracken", kind="river"),
        feature("LineString", rounded(tributary), name="Mill Brook", kind="stream"),
    ]


def make_town_roads():
    x0, y0, x1, y1 = TOWN
    roads = [
        ("High Street", "main", [(x0 + 200, 7500), (x1 - 200, 7500)]),
        ("Market Street", "main", [(10000, y0 + 200), (10000, y1 - 200)]),
        ("Station Road", "secondary", [(10000, 8200), (11200, 8600), (11800, 8700)]),
        ("Mill Lane", "secondary", [(8600, 6400), (9200, 7000), (9400, 7500)]),
        ("Church Walk", "local", [(9200, 7500), (9200, 8400)]),
        ("Orchard Row", "local", [(9200, 8000), (10000, 8000)]),
        ("Bridge Street", "local", [(10000, 7000), (10900, 7000), (11300, 6500)]),
        ("Quay Lane", "local", [(10900, 7000), (10900, 7500)]),
        ("School Lane", "local", [(10500, 7500), (10500, 8500)]),
        ("Ring Road", "main", [(8300, 6300), (11700, 6300), (11700, 8800), (8300, 8800), (8300, 6300)]),
    ]
    return [feature("LineString", rounded(points), name=name, roadClass=cls) for name, cls, points in roads]


def make_regional_roads():
    roads = [
        ("A12", "main", [(0, 7400), (8300, 7500), (11700, 7500), (20000, 7900)]),
        ("B207", "secondary", [(10000, 0), (10000, 6300)]),
        ("B207", "secondary", [(10000, 8800), (9000, 12500), (7000, 15000)]),
        ("Hill Road", "local", [(3000, 11000), (5500, 10800), (8300, 8800)]),
        ("Fen Lane", "local", [(11700, 6300), (15000, 4000), (17500, 2500)]),
    ]
    return [feature("LineString", rounded(points), name=name, roadClass=cls) for name, cls, points in roads]


def make_railway():
    line = [(0, 5200), (6000, 6000), (9000, 8300), (11800, 8700), (16000, 10500), (20000, 12000)]
    return [feature("LineString", rounded(line), name="Bracken Valley Line", tracks=2)]


def make_footpaths():
    paths = [
        ("Riverside Walk", [(8400, 6900), (9000, 6700), (9800, 6500), (10600, 6200)]),
        ("Churchyard Path", [(9200, 8400), (9500, 8700)]),
        ("Park Path", [(10600, 7700), (11000, 7900), (11400, 8100)]),
    ]
    return [feature("LineString", rounded(points), name=name) for name, points in paths]


def make_cycle_routes():
    routes = [
        ("Town Loop", [(8500, 6500), (11500, 6500), (11500, 8600), (8500, 8600), (8500, 6500)]),
        ("Valley Route", [(4000, 9000), (8300, 7600), (11700, 7600), (16000, 7000)]),
    ]
    return [feature("LineString", rounded(points), name=name, signed="yes") for name, points in routes]


def make_buildings(rng):
    buildings = []
    number = 1
    # Terraces along the High Street and Market Street, set back from the road.
    for x in range(8500, 11700, 160):
        if abs(x - 10000) < 120:
            continue
        for y, depth in ((7530, 60), (7410, 60)):
            h = depth + rng.randint(-10, 10)
            buildings.append(feature("Polygon", [rectangle(x, y if y > 7500 else y - h + 60, 110, h)],
                                     id=number, use=rng.choice(["house", "house", "shop", "office"])))
            number += 1
    for y in range(6500, 8700, 220):
        if abs(y - 7500) < 150:
            continue
        for x in (10040, 9880):
            buildings.append(feature("Polygon", [rectangle(x, y, 80, 140)], id=number, use="house"))
            number += 1
    landmarks = [
        ("Town Hall", "civic", rectangle(10100, 7580, 260, 180)),
        ("St Aldric's Church", "church", rectangle(9050, 8150, 120, 260, 0.2)),
        ("Brackenford Station", "station", rectangle(11250, 8630, 300, 90, 0.15)),
        ("Mill", "industrial", rectangle(8900, 6750, 200, 140, -0.6)),
        ("Grammar School", "school", rectangle(10550, 8100, 220, 300)),
    ]
    for name, use, ring in landmarks:
        buildings.append(feature("Polygon", [ring], id=number, use=use, name=name))
        number += 1
    return buildings


def circle(cx, cy, r, n=24, clockwise=False):
    step = -1 if clockwise else 1
    return rounded([(cx + r * math.cos(step * 2 * math.pi * i / n), cy + r * math.sin(step * 2 * math.pi * i / n))
                    for i in range(n + 1)])


def make_parks():
    outer = rounded([(10600, 7650), (11500, 7650), (11500, 8450), (10800, 8450), (10600, 8100), (10600, 7650)])
    pond = circle(11100, 8050, 150, clockwise=True)
    return [
        feature("Polygon", [outer, pond], name="Jubilee Park", kind="park"),
        feature("Polygon", [rectangle(8900, 7700, 250, 300)], name="Church Green", kind="green"),
        feature("MultiPolygon", [[rectangle(8400, 8400, 300, 250)], [rectangle(11300, 6400, 280, 200)]],
                name="Allotments", kind="allotments"),
    ]


def make_poi():
    places = [
        ("Town Hall", "civic", 10230, 7670),
        ("Market Cross", "monument", 10000, 7500),
        ("St Aldric's Church", "church", 9110, 8280),
        ("Brackenford Station", "station", 11400, 8675),
        ("Public Library", "library", 9700, 7620),
        ("Grammar School", "school", 10660, 8250),
        ("Old Mill Museum", "museum", 9000, 6820),
        ("Bracken Bridge", "bridge", 10000, 6680),
        ("Swan Inn", "pub", 10950, 7420),
        ("Health Centre", "health", 8800, 7600),
    ]
    return [feature("Point", [x, y], name=name, kind=kind) for name, kind, x, y in places]


def make_town_boundary():
    ring = rounded([(7900, 5900), (12100, 5950), (12300, 7400), (12050, 9150), (9800, 9300), (7800, 9050),
                    (7700, 7400), (7900, 5900)])
    return [feature("Polygon", [ring], name="Brackenford", population=8412)]


def make_villages():
    villages = [("Ashby Parva", 3000, 11000, 420), ("Fenmoor", 17500, 2500, 610), ("Highcombe", 7000, 14500, 280),
                ("Little Bracken", 15800, 10300, 350), ("Stonewick", 2500, 3500, 510)]
    return [feature("Point", [x, y], name=name, population=pop) for name, x, y, pop in villages]


def make_forests(rng):
    forests = []
    for name, cx, cy, r in (("Hanger Wood", 4500, 12500, 1500), ("Fen Carr", 15500, 3500, 1100),
                            ("King's Chase", 16500, 12500, 1800)):
        ring = []
        for i in range(16):
            a = 2 * math.pi * i / 16
            rr = r * (0.75 + 0.25 * rng.random())
            ring.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
        ring.append(ring[0])
        forests.append(feature("Polygon", [rounded(ring)], name=name))
    return forests


# --- Rasters ---------------------------------------------------------------

def elevation(x, y):
    # Hills in the north-west, a valley along the river, a low fen in the south-east.
    hills = 180 * math.exp(-(((x - 4000) / 5000) ** 2 + ((y - 12500) / 4000) ** 2))
    ridge = 90 * math.exp(-(((x - 16500) / 3000) ** 2 + ((y - 12500) / 2500) ** 2))
    slope = 40 * (1 - x / 20000) + 30 * (y / 15000)
    ripple = 8 * math.sin(x / 900) * math.cos(y / 700)
    return 20 + hills + ridge + slope + ripple


def grid(extent, cell):
    x0, y0, x1, y1 = extent
    width = int(round((x1 - x0) / cell))
    height = int(round((y1 - y0) / cell))
    # Row 0 is the northern edge; each value is taken at the cell's centre.
    return width, height, [[(x0 + (c + 0.5) * cell, y1 - (r + 0.5) * cell) for c in range(width)]
                           for r in range(height)]


def hillshade(extent, cell):
    width, height, centres = grid(extent, cell)
    azimuth, altitude = math.radians(315), math.radians(45)
    rows = []
    for row in centres:
        values = []
        for x, y in row:
            dzdx = (elevation(x + cell, y) - elevation(x - cell, y)) / (2 * cell)
            dzdy = (elevation(x, y + cell) - elevation(x, y - cell)) / (2 * cell)
            exaggeration = 8.0
            slope = math.atan(exaggeration * math.hypot(dzdx, dzdy))
            aspect = math.atan2(dzdy, -dzdx)
            shade = (math.sin(altitude) * math.cos(slope)
                     + math.cos(altitude) * math.sin(slope) * math.cos(azimuth - aspect))
            values.append(max(0, min(255, int(round(255 * shade)))))
        rows.append(values)
    return width, height, rows


def elevation_grid(extent, cell):
    width, height, centres = grid(extent, cell)
    rows = [[int(round(elevation(x, y) * 10)) for x, y in row] for row in centres]  # decimetres
    # The lake in the fen has no elevation: no-data value 0.
    for r, row in enumerate(centres):
        for c, (x, y) in enumerate(row):
            if math.hypot(x - 17000, y - 5500) < 900:
                rows[r][c] = 0
    return width, height, rows


def write_geotiff(name, extent, cell, width, height, rows, bits, nodata=None):
    """A minimal uncompressed single-band GeoTIFF, little-endian, one strip."""
    sample = {8: "B", 16: "H"}[bits]
    pixels = b"".join(struct.pack("<%d%s" % (width, sample), *row) for row in rows)
    x0, _, _, y1 = extent

    entries = []  # (tag, type, count, payload bytes)

    def short(tag, *values):
        entries.append((tag, 3, len(values), struct.pack("<%dH" % len(values), *values)))

    def long(tag, *values):
        entries.append((tag, 4, len(values), struct.pack("<%dI" % len(values), *values)))

    def double(tag, *values):
        entries.append((tag, 12, len(values), struct.pack("<%dd" % len(values), *values)))

    def ascii(tag, text):
        data = text.encode("ascii") + b"\0"
        entries.append((tag, 2, len(data), data))

    header_size = 8
    pixel_offset = header_size
    short(256, width)
    short(257, height)
    short(258, bits)
    short(259, 1)        # no compression
    short(262, 1)        # black is zero
    long(273, pixel_offset)
    short(277, 1)
    short(278, height)   # one strip
    long(279, len(pixels))
    short(284, 1)
    short(339, 1)        # unsigned integers
    double(33550, cell, cell, 0.0)                     # pixel scale
    double(33922, 0.0, 0.0, 0.0, x0, y1, 0.0)          # tie point: upper-left corner
    # Key directory: projected model, pixels are areas, the grid's EPSG code.
    short(34735, 1, 1, 0, 3, 1024, 0, 1, 1, 1025, 0, 1, 1, 3072, 0, 1, EPSG)
    if nodata is not None:
        ascii(42113, str(nodata))
    entries.sort(key=lambda e: e[0])

    ifd_offset = pixel_offset + len(pixels)
    ifd_offset += ifd_offset % 2
    ifd_size = 2 + 12 * len(entries) + 4
    extra_offset = ifd_offset + ifd_size
    ifd = struct.pack("<H", len(entries))
    extra = b""
    for tag, kind, count, payload in entries:
        if len(payload) <= 4:
            ifd += struct.pack("<HHI", tag, kind, count) + payload.ljust(4, b"\0")
        else:
            ifd += struct.pack("<HHII", tag, kind, count, extra_offset + len(extra))
            extra += payload
            if len(extra) % 2:
                extra += b"\0"
    ifd += struct.pack("<I", 0)

    data = b"II*\0" + struct.pack("<I", ifd_offset) + pixels
    data = data.ljust(ifd_offset, b"\0") + ifd + extra
    (DATA / name).write_bytes(data)


def png_chunk(kind, payload):
    return struct.pack(">I", len(payload)) + kind + payload + struct.pack(">I", zlib.crc32(kind + payload))


def write_png_with_world_file(name, extent, cell, width, height, rgb_rows):
    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rgb_rows)
    png = (b"\x89PNG\r\n\x1a\n"
           + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
           + png_chunk(b"IDAT", zlib.compress(raw, 9))
           + png_chunk(b"IEND", b""))
    (DATA / name).write_bytes(png)
    x0, _, _, y1 = extent
    # World file: pixel width, two rotations, negative pixel height, centre of the upper-left pixel.
    world = [cell, 0.0, 0.0, -cell, x0 + cell / 2, y1 - cell / 2]
    (DATA / (name.rsplit(".", 1)[0] + ".pgw")).write_text("".join("%.6f\n" % v for v in world), encoding="ascii")
    # A world file has no coordinate system: GDAL finds it in the image's .aux.xml.
    (DATA / (name + ".aux.xml")).write_text(
        "<PAMDataset>\n  <SRS>EPSG:%d</SRS>\n</PAMDataset>\n" % EPSG, encoding="ascii")


def landcover(extent, cell):
    width, height, centres = grid(extent, cell)
    colours = {"built": (214, 196, 180), "park": (170, 214, 140), "water": (150, 190, 235),
               "field": (236, 230, 170), "wood": (110, 170, 110)}
    river = river_course()

    def distance_to_river(x, y):
        best = float("inf")
        for (ax, ay), (bx, by) in zip(river, river[1:]):
            dx, dy = bx - ax, by - ay
            t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
            best = min(best, math.hypot(x - ax - t * dx, y - ay - t * dy))
        return best

    rows = []
    for row in centres:
        values = []
        for x, y in row:
            if distance_to_river(x, y) < 60:
                kind = "water"
            elif 10600 <= x <= 11500 and 7650 <= y <= 8450:
                kind = "park"
            elif 8700 <= x <= 11400 and 6700 <= y <= 8500:
                kind = "built"
            elif x < 8600 and y > 8300:
                kind = "wood"
            else:
                kind = "field"
            values.append(colours[kind])
        rows.append(values)
    return width, height, rows


def main():
    DATA.mkdir(parents=True, exist_ok=True)
    rng = random.Random(1842)
    write_geojson("rivers.geojson", make_rivers())
    write_geojson("roads.geojson", make_town_roads())
    write_geojson("regional_roads.geojson", make_regional_roads())
    write_geojson("railway.geojson", make_railway())
    write_geojson("footpaths.geojson", make_footpaths())
    write_geojson("cycle_routes.geojson", make_cycle_routes())
    write_geojson("buildings.geojson", make_buildings(rng))
    write_geojson("parks.geojson", make_parks())
    write_geojson("poi.geojson", make_poi())
    write_geojson("town_boundary.geojson", make_town_boundary())
    write_geojson("villages.geojson", make_villages())
    write_geojson("forests.geojson", make_forests(rng))

    width, height, rows = hillshade(REGION, 200.0)
    write_geotiff("hillshade.tif", REGION, 200.0, width, height, rows, 8)
    width, height, rows = elevation_grid(REGION, 400.0)
    write_geotiff("elevation.tif", REGION, 400.0, width, height, rows, 16, nodata=0)
    width, height, rows = landcover(TOWN, 50.0)
    write_png_with_world_file("landcover.png", TOWN, 50.0, width, height, rows)


if __name__ == "__main__":
    main()
