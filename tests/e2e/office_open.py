"""Opens a workbook in LibreOffice (through Debian's python3-uno) with or without a password and prints the first
worksheet as CSV lines, or exits 3 when LibreOffice does not open it. Run by /usr/bin/python3 in its own process, so
the office it starts (with a profile of its own under a temporary folder) goes away with it.

    office_open.py FILE [PASSWORD]
    office_open.py --save SRC DST FILTER PASSWORD   (SRC saved by LibreOffice as DST, protected with PASSWORD)
"""
import os
import subprocess
import sys
import tempfile
import time


def main():
    import uno
    from com.sun.star.beans import PropertyValue

    save = sys.argv[1] == "--save"
    argv = sys.argv[2:] if save else sys.argv[1:]
    path = os.path.abspath(argv[0])
    password = None if save else (argv[1] if len(argv) > 1 else None)
    with tempfile.TemporaryDirectory() as profile:
        pipe = "tabrix_office_%d" % os.getpid()
        office = subprocess.Popen(
            ["soffice", "--headless", "--invisible", "--nologo", "--norestore",
             "-env:UserInstallation=file://" + profile,
             "--accept=pipe,name=%s;urp;" % pipe],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            local = uno.getComponentContext()
            resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
            for _ in range(600):
                try:
                    ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                    break
                except Exception:
                    time.sleep(0.1)
            else:
                sys.exit("LibreOffice did not start")
            desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)

            def prop(name, value):
                p = PropertyValue()
                p.Name, p.Value = name, value
                return p

            args = [prop("Hidden", True)]
            if password is not None:
                args.append(prop("Password", password))
            try:
                doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(path), "_blank", 0, tuple(args))
            except Exception:
                doc = None
            if doc is None:
                sys.exit(3)
            if save:
                doc.storeToURL(uno.systemPathToFileUrl(os.path.abspath(argv[1])),
                               (prop("FilterName", argv[2]), prop("Password", argv[3])))
                doc.close(True)
                return
            sheet = doc.Sheets.getByIndex(0)
            cursor = sheet.createCursor()
            cursor.gotoEndOfUsedArea(False)
            rows, cols = cursor.RangeAddress.EndRow + 1, cursor.RangeAddress.EndColumn + 1
            for r in range(rows):
                print(",".join(sheet.getCellByPosition(c, r).String for c in range(cols)))
            doc.close(True)
        finally:
            try:
                desktop.terminate()
            except Exception:
                pass
            try:
                office.wait(timeout=30)
            except subprocess.TimeoutExpired:
                office.kill()


if __name__ == "__main__":
    main()
