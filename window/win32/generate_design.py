#!/usr/bin/env python3
"""Writes the window's design, read from the Qt Designer form, as one C++ table for a face
that cannot load the form itself.

    generate_design.py FORM.ui OUTPUT.h
"""
import sys
import xml.etree.ElementTree as ElementTree

KINDS = {
    "QLabel": "Label",
    "QPushButton": "Button",
    "QCheckBox": "CheckBox",
    "QComboBox": "List",
    "QLineEdit": "Edit",
    "QProgressBar": "ProgressBar",
    "QFrame": "Panel",
}


def cpp_string(text):
    out = []
    for ch in text:
        if ch in '"\\':
            out.append("\\" + ch)
        elif 32 <= ord(ch) < 127:
            out.append(ch)
        else:
            out.extend("\\x%02x" % b for b in ch.encode("utf-8"))
    return '"' + "".join(out) + '"'


def prop(widget, name):
    for node in widget.findall("property"):
        if node.get("name") == name:
            return node
    return None


def prop_text(widget, name, default=""):
    node = prop(widget, name)
    if node is None:
        return default
    value = node.find("string")
    if value is None:
        value = node.find("cstring")
    return default if value is None else (value.text or "")


def prop_bool(widget, name, default):
    node = prop(widget, name)
    if node is None:
        return default
    return node.find("bool").text.strip() == "true"


def prop_number(widget, name, default):
    node = prop(widget, name)
    if node is None or node.find("number") is None:
        return default
    return int(node.find("number").text)


def font(widget):
    node = prop(widget, "font")
    if node is None:
        return "", 0
    family = node.find("font/family")
    size = node.find("font/pointsize")
    return (family.text if family is not None else "",
            int(size.text) if size is not None else 0)


def background(widget):
    style = prop_text(widget, "styleSheet")
    if "background-color:" in style:
        return style.split("background-color:")[1].split(";")[0].strip()
    return ""


def walk(parent_widget, parent_name, controls, items):
    for widget in parent_widget.findall("widget"):
        cls = widget.get("class")
        if cls not in KINDS:
            sys.exit("generate_design: no kind for %s %s" % (cls, widget.get("name")))
        rect = prop(widget, "geometry").find("rect")
        x, y, w, h = (int(rect.find(k).text) for k in ("x", "y", "width", "height"))
        family, points = font(widget)
        names = [i.find("property/string").text or "" for i in widget.findall("item")]
        frame = prop(widget, "frameShape")
        controls.append({
            "name": widget.get("name"), "kind": KINDS[cls], "parent": parent_name,
            "x": x, "y": y, "w": w, "h": h, "text": prop_text(widget, "text"),
            "visible": prop_bool(widget, "visible", True),
            "enabled": prop_bool(widget, "enabled", True),
            "readOnly": prop_bool(widget, "readOnly", False),
            "checked": prop_bool(widget, "checked", False),
            "family": family, "points": points, "buddy": prop_text(widget, "buddy"),
            "tag": prop_number(widget, "tag", -1),
            "index": prop_number(widget, "currentIndex", 0 if names else -1),
            "minimum": prop_number(widget, "minimum", 0),
            "maximum": prop_number(widget, "maximum", 100),
            "value": prop_number(widget, "value", 0),
            "background": background(widget),
            "framed": frame is not None and frame.find("enum").text.endswith("StyledPanel"),
            "firstItem": len(items), "itemCount": len(names),
        })
        items.extend(names)
        walk(widget, widget.get("name"), controls, items)


def main():
    form, output = sys.argv[1], sys.argv[2]
    dialog = ElementTree.parse(form).getroot().find("widget")
    rect = prop(dialog, "geometry").find("rect")
    family, points = font(dialog)
    controls, items = [], []
    walk(dialog, "", controls, items)

    lines = [
        "#pragma once",
        "// Made by the build from resources/fwupdate.ui (window/win32/generate_design.py).",
        "",
        "#include <array>",
        "#include <string_view>",
        "",
        "namespace kelm::win32::design {",
        "",
        "enum class Kind { Label, Button, CheckBox, List, Edit, ProgressBar, Panel };",
        "",
        "struct Control {",
        "  std::string_view name;",
        "  Kind kind;",
        "  std::string_view parent;  // empty: the dialog",
        "  int x, y, width, height;  // in the parent",
        "  std::string_view text;",
        "  bool visible, enabled, readOnly, checked;",
        "  std::string_view fontFamily;  // empty: the dialog's font",
        "  int pointSize;                // 0: the family's own or the dialog's",
        "  std::string_view buddy;       // the edit a caption labels",
        "  int tag;                      // -1: none",
        "  int currentIndex;             // lists",
        "  int minimum, maximum, value;  // progress bars",
        "  std::string_view background;  // \"#RRGGBB\" or empty",
        "  bool framed;",
        "  int firstItem, itemCount;     // in kItems",
        "};",
        "",
        "inline constexpr std::string_view kCaption = %s;" % cpp_string(prop_text(dialog, "windowTitle")),
        "inline constexpr int kWidth = %s;" % rect.find("width").text,
        "inline constexpr int kHeight = %s;" % rect.find("height").text,
        "inline constexpr std::string_view kFontFamily = %s;" % cpp_string(family),
        "inline constexpr int kPointSize = %d;" % points,
        "",
        "inline constexpr std::array<std::string_view, %d> kItems = {{" % len(items),
    ]
    lines += ["    %s," % cpp_string(item) for item in items]
    lines += ["}};", "", "inline constexpr std::array<Control, %d> kControls = {{" % len(controls)]
    for c in controls:
        lines.append(
            "    {%s, Kind::%s, %s, %d, %d, %d, %d, %s, %s, %s, %s, %s, %s, %d, %s, %d, %d, %d, %d, %d, %s, %s, %d, %d},"
            % (cpp_string(c["name"]), c["kind"], cpp_string(c["parent"]), c["x"], c["y"], c["w"],
               c["h"], cpp_string(c["text"]), str(c["visible"]).lower(), str(c["enabled"]).lower(),
               str(c["readOnly"]).lower(), str(c["checked"]).lower(), cpp_string(c["family"]),
               c["points"], cpp_string(c["buddy"]), c["tag"], c["index"], c["minimum"],
               c["maximum"], c["value"], cpp_string(c["background"]), str(c["framed"]).lower(),
               c["firstItem"], c["itemCount"]))
    lines += ["}};", "", "}  // namespace kelm::win32::design", ""]
    with open(output, "w", encoding="utf-8", newline="\n") as out:
        out.write("\n".join(lines))


if __name__ == "__main__":
    main()
