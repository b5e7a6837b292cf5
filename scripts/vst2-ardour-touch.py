#!/usr/bin/env python3
"""The session file and the transport of scripts/vst2-ardour-touch.sh.

  prepare SESSION.ardour   the editor of each track's Moltrin opens with the session, each at its
                           own place (Ardour keeps a plug-in window's state in the session's UI
                           part); the engine hints of the headless session that made it go
  osc PORT ADDRESS         one OSC message without arguments to Ardour on this machine
  lanes SESSION.ardour     each track's "Steps" lane: its mode and its points, one track a line
                           ("Touch Touch 0:4 26378:5 30966:4"), positions in ticks, values in steps
"""
import socket
import sys
import xml.etree.ElementTree as ET

PLACES = {"Touch": (0, 0), "Latch": (820, 0)}
STEPS = 210  # the setting's parameter index


def moltrin_processors(root):
    for route in root.iter("Route"):
        for proc in route.iter("Processor"):
            if proc.get("type") == "lxvst" and proc.get("name") == "Moltrin":
                yield route, proc


def prepare(path):
    tree = ET.parse(path)
    root = tree.getroot()
    for hints in root.findall("EngineHints"):
        root.remove(hints)
    extra = root.find("Extra")
    if extra is None:
        extra = ET.SubElement(root, "Extra")
    ui = extra.find("UI")
    if ui is None:
        ui = ET.SubElement(extra, "UI")
    for route, proc in moltrin_processors(root):
        x, y = PLACES[route.get("name")]
        ET.SubElement(ui, "Window", {"name": f"P-{route.get('id')}-{proc.get('id')}", "visible": "1",
                                     "x-off": str(x), "y-off": str(y), "x-size": "809", "y-size": "576",
                                     "custom-ui": "1"})
    tree.write(path, xml_declaration=True, encoding="UTF-8")


def osc(port, address):
    def padded(b):
        return b + b"\0" * (4 - len(b) % 4)
    message = padded(address.encode()) + padded(b",")
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        s.sendto(message, ("127.0.0.1", int(port)))


def lanes(path):
    root = ET.parse(path).getroot()
    for route, proc in moltrin_processors(root):
        for lane in proc.iter("AutomationList"):
            if lane.get("automation-id") != f"parameter-{STEPS}":
                continue
            points = []
            for line in (lane.findtext("events") or "").split("\n"):
                if line.strip():
                    when, value = line.split()
                    ticks = int(when.lstrip("ab"))
                    if ticks < 2 ** 40:  # Ardour's guard point at the end of time is no take
                        points.append(f"{ticks}:{round(float(value) * 63) + 1}")
            print(route.get("name"), lane.get("state"), *points)


if __name__ == "__main__":
    command, *args = sys.argv[1:]
    {"prepare": prepare, "osc": osc, "lanes": lanes}[command](*args)
