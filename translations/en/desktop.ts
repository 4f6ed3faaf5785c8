<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="cs_CZ">
<context>
    <name>Kelvaro</name>
    <message>
        <source>Hlídám %@</source>
        <translation>Watching %@</translation>
    </message>
    <message>
        <source>Fotky můžeš pustit i rovnou do hlavního okna.</source>
        <translation>You can also drop photos straight onto the main window.</translation>
    </message>
    <message>
        <source>Otevře se kolo s akcemi</source>
        <translation>Opens the action wheel</translation>
    </message>
    <message>
        <source>Otevřít okno</source>
        <translation>Open Window</translation>
    </message>
    <message>
        <source>Vybrat…</source>
        <translation>Choose…</translation>
    </message>
</context>
</TS>
