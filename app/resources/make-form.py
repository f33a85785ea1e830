#!/usr/bin/python3
"""Writes app/FormCopia.json, the backup window's form resource, with the
background picture drawn by make-background.sh stored in it.

    /usr/bin/python3 app/resources/make-form.py
"""
import base64
import json
import os
import struct
import subprocess
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
out = os.path.join(os.path.dirname(here), "FormCopia.json")

BLUE = 0 | (107 << 8) | (159 << 16)      # RGB(0, 107, 159) as 0x00BBGGRR
MAROON = 0x000080
CL_WINDOW = -0x7FFFFFFB                  # system colour 5, the window background
CL_WINDOW_TEXT = -0x7FFFFFF8             # system colour 8


def stored_picture(gif):
    """Picture data as a form stores it: the format's class name, then the
    format's own data (a 32-bit count and the GIF file)."""
    name = b"TGIFImage"
    return bytes([len(name)]) + name + struct.pack("<i", len(gif)) + gif


def font(name, height, color, style=()):
    return {"Charset": 1, "Color": color, "Height": height, "Name": name, "Style": list(style)}


def label(name, left, top, width, height, caption, fnt, visible=True):
    props = {"Left": left, "Top": top, "Width": width, "Height": height, "Caption": caption,
             "Font": fnt, "ParentFont": False, "Transparent": True}
    if not visible:
        props["Visible"] = False
    return {"class": "TLabel", "name": name, "properties": props}


def main():
    with tempfile.TemporaryDirectory() as tmp:
        gif_path = os.path.join(tmp, "fundo.gif")
        subprocess.run([os.path.join(here, "make-background.sh"), gif_path], check=True)
        with open(gif_path, "rb") as f:
            gif = f.read()

    form = {
        "class": "TFormCopia",
        "name": "FormCopia",
        "properties": {
            "Left": 0, "Top": 0,
            "BorderStyle": "bsNone",
            "Caption": "Atualização",
            "ClientHeight": 310, "ClientWidth": 391,
            "Color": CL_WINDOW,
            "Ctl3D": False,
            "Font": font("MS Sans Serif", -11, CL_WINDOW_TEXT),
            "FormStyle": "fsStayOnTop",
            "Position": "poScreenCenter",
            "OnClose": "FormClose",
            "OnCreate": "FormCreate",
            "OnShow": "FormShow",
        },
        "children": [
            {"class": "TImage", "name": "img1", "properties": {
                "Left": 0, "Top": 0, "Width": 391, "Height": 310, "Align": "alClient",
                "Picture": base64.b64encode(stored_picture(gif)).decode("ascii"),
                "Stretch": True, "Transparent": True}},
            label("lbCaption", 24, 40, 110, 13, "SISTEMA (V. 1.2.0.0)", font("Calibri", -13, BLUE)),
            label("lbVorq", 24, 24, 96, 16, "Vorq SISTEMAS", font("Calibri", -16, BLUE, ["fsBold"])),
            label("lbAcompanhamento", 16, 72, 92, 12, "lbAcompanhamento",
                  font("Arial", -9, BLUE, ["fsBold"]), visible=False),
            label("lbAcompanhamentoERRO", 16, 56, 116, 12, "lbAcompanhamentoERRO",
                  font("Arial", -9, MAROON, ["fsBold"]), visible=False),
            {"class": "TADOConnection", "name": "ADOConnection1", "properties": {
                "CommandTimeout": 120,
                "ConnectionString": "Provider=SQLOLEDB.1;Persist Security Info=False",
                "ConnectionTimeout": 5000000,
                "LoginPrompt": False,
                "Provider": "SQLOLEDB.1"}},
            {"class": "TADOQuery", "name": "qBackup", "properties": {
                "Connection": "ADOConnection1",
                "CommandTimeout": 5000000,
                "LockType": "ltReadOnly"}},
            {"class": "TZip", "name": "Zip", "properties": {
                "ArcType": "atZip",
                "CompressMethod": "cmDeflate",
                "DefaultExt": ".zip",
                "DeleteOptions": "doAllowUndo",
                "Switch": "swAdd",
                "TempDir": "/var/tmp"}},
        ],
    }
    with open(out + ".tmp", "w", encoding="utf-8", newline="\n") as f:
        json.dump(form, f, ensure_ascii=False, indent=2)
        f.write("\n")
    os.replace(out + ".tmp", out)


if __name__ == "__main__":
    main()
