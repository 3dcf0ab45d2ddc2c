#!/usr/bin/python3
"""Writes the "drawing made by another program" fixtures into data/ with ezdxf.

Run it again only to change the fixtures; the files it wrote are committed beside it. ezdxf
stamps creation times and GUIDs into the header, so each run gives new bytes.

    /usr/bin/python3 tests/host/dxf/make_fixtures.py
"""
import math
import os

import ezdxf
from ezdxf.math import Vec3

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "data")


def add_common_tables(doc, boundary, dimension):
    doc.linetypes.add("DASHED", pattern=[0.6, 0.5, -0.1], description="Dashed __ __ __")
    doc.layers.add(boundary, color=1, linetype="DASHED")
    doc.layers.add(dimension, color=3)
    doc.layers.add("DIM", color=3)
    doc.layers.add("TEXT", color=7)
    doc.appids.add("OTHERAPP")
    doc.appids.add("LT_TRIVANE")


def add_block_with_attribute(doc):
    block = doc.blocks.new(name="標識", base_point=(1, 1))
    block.add_circle((1, 1), radius=0.5, dxfattribs={"layer": "0"})
    block.add_line((0.5, 1), (1.5, 1))
    block.add_attdef("NO", insert=(1, 1.6), text="1", dxfattribs={"height": 0.3})
    return block


def populate_modern(doc, boundary, dimension):
    add_common_tables(doc, boundary, dimension)
    add_block_with_attribute(doc)
    msp = doc.modelspace()
    # The parcel outline and a few cut lines.
    outline = msp.add_lwpolyline(
        [(0, 0, 0, 0, 0), (40, 0, 0, 0, 0), (40, 30, 0, 0, 0.25), (0, 30, 0, 0, 0)],
        format="xyseb",
        dxfattribs={"layer": boundary, "color": 256},
    )
    outline.closed = True
    line = msp.add_line((0, 0), (40, 30), dxfattribs={"layer": boundary, "color": 5,
                                                        "linetype": "DASHED"})
    line.set_xdata("OTHERAPP", [(1000, "測量データ"), (1040, 12.5), (1070, 3),
                                (1002, "{"), (1000, "nested"), (1002, "}"),
                                (1010, (1.0, 2.0, 3.0))])
    msp.add_line((40, 0), (0, 30), dxfattribs={"layer": boundary, "lineweight": 35})
    msp.add_arc((20, 15), radius=5, start_angle=30, end_angle=150, dxfattribs={"layer": "0"})
    msp.add_circle((20, 15), radius=2, dxfattribs={"layer": "TEXT"})
    msp.add_ellipse((10, 10), major_axis=(3, 0), ratio=0.5)
    msp.add_spline([(0, 0), (5, 5), (10, 0), (15, 5)])
    msp.add_point((5, 5))
    # Texts: Japanese, an escaped-looking backslash, alignments, the system's own record.
    msp.add_text("三角形 No.1", dxfattribs={"layer": "TEXT", "height": 2.5, "rotation": 30}
                 ).set_placement((5, 5), align=ezdxf.enums.TextEntityAlignment.MIDDLE_CENTER)
    msp.add_text("left plain", dxfattribs={"height": 1.0, "insert": (1, 2)})
    number = msp.add_text("7", dxfattribs={"layer": "TEXT", "height": 2.0})
    number.set_placement((12, 8), align=ezdxf.enums.TextEntityAlignment.MIDDLE_CENTER)
    number.set_xdata("LT_TRIVANE", [(1010, (4.0, 5.0, 3.0))])
    msp.add_mtext("求積表\\P面積 = 1200.00 m²", dxfattribs={"layer": "TEXT", "char_height": 2,
                                                         "insert": (50, 30)})
    # Hatches: solid and a pattern, with an arc edge.
    solid = msp.add_hatch(color=2, dxfattribs={"layer": boundary})
    solid.paths.add_polyline_path([(0, 0), (10, 0), (10, 10), (0, 10)], is_closed=True)
    pattern = msp.add_hatch(dxfattribs={"layer": "0"})
    pattern.set_pattern_fill("ANSI31", scale=0.5)
    edges = pattern.paths.add_edge_path()
    edges.add_line((20, 0), (30, 0))
    edges.add_arc((25, 0), radius=5, start_angle=0, end_angle=180)
    # A dimension (with its anonymous block) and a leader.
    # (On an ASCII layer: ezdxf 0.18 cannot read back the escaped layer names it writes on the
    # arrow inserts of a dimension block in an R2000 file.)
    dim = msp.add_linear_dim(base=(20, -5), p1=(0, 0), p2=(40, 0), dimstyle="EZDXF",
                             dxfattribs={"layer": "DIM"})
    dim.render()
    msp.add_leader([(30, 30), (35, 35), (40, 35)], dxfattribs={"layer": dimension})
    # Block references, one with an attribute.
    ref = msp.add_blockref("標識", (25, 20), dxfattribs={"rotation": 45, "xscale": 2, "yscale": 2})
    ref.add_auto_attribs({"NO": "12"})
    msp.add_blockref("標識", (5, 25))
    # An entity with an extension dictionary holding another program's record.
    tagged = msp.add_line((0, 40), (10, 40), dxfattribs={"layer": "0"})
    xdict = tagged.new_extension_dict()
    xrecord = xdict.add_xrecord("OTHERAPP_DATA")
    xrecord.reset([(1, "keep me"), (40, 3.25), (90, 7)])
    # An old-style polyline (on an ASCII layer: ezdxf 0.18 cannot read back the escaped layer
    # name it writes on the SEQEND of an R2000 file) and a paper-space entity.
    msp.add_polyline2d([(0, 50), (10, 50), (10, 60)], dxfattribs={"layer": "TEXT"})
    doc.layout("Layout1").add_line((0, 0), (100, 100))


def make_modern(version, name, boundary, dimension):
    doc = ezdxf.new(version, setup=["dimstyles"])
    populate_modern(doc, boundary, dimension)
    doc.saveas(os.path.join(DATA, name))


def make_r12_japanese():
    doc = ezdxf.new("R12")
    doc.encoding = "cp932"  # written as $DWGCODEPAGE ANSI_932
    doc.layers.add("境界線", color=1)
    doc.layers.add("文字", color=3)
    doc.appids.add("OTHERAPP")
    block = doc.blocks.new(name="記号")
    block.add_circle((0, 0), radius=1)
    msp = doc.modelspace()
    msp.add_line((0, 0), (40, 0), dxfattribs={"layer": "境界線", "color": 1})
    msp.add_line((40, 0), (40, 30), dxfattribs={"layer": "境界線"})
    msp.add_circle((20, 15), radius=3, dxfattribs={"layer": "文字"})
    msp.add_arc((20, 15), radius=6, start_angle=0, end_angle=90)
    # "ソ" has 0x5C as its second byte in Shift-JIS; "€" is not in code page 932 (\U+20AC).
    msp.add_text("ソフト 面積 €", dxfattribs={"layer": "文字", "height": 2.5, "insert": (1, 1)})
    text = msp.add_text("3", dxfattribs={"layer": "文字", "height": 2})
    text.set_placement((10, 10), align=ezdxf.enums.TextEntityAlignment.MIDDLE_CENTER)
    text.set_xdata("OTHERAPP", [(1000, "日本語の付加データ"), (1070, 1)])
    msp.add_polyline2d([(0, 0), (5, 0), (5, 5)], close=True, dxfattribs={"layer": "境界線"})
    msp.add_blockref("記号", (30, 20))
    doc.saveas(os.path.join(DATA, "other_program_r12_932.dxf"))


def main():
    os.makedirs(DATA, exist_ok=True)
    # ezdxf 0.18 does not decode the "\U+XXXX" escapes of an R2000 file's layer names, so its
    # audit takes Japanese layer names there for invalid ones: the R2000 drawing has Japanese
    # texts, block names and extended data, the R2018 and R12 drawings Japanese layer names too.
    make_modern("R2000", "other_program_r2000.dxf", "BOUNDARY", "LEADER")
    make_modern("R2018", "other_program_r2018.dxf", "境界線", "寸法")
    make_r12_japanese()


if __name__ == "__main__":
    main()
