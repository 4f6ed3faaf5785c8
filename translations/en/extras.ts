<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="cs_CZ">
<context>
    <name>Kelvaro</name>
    <message>
        <source>Do schránky</source>
        <translation>To Clipboard</translation>
    </message>
    <message>
        <source>Zkopírovat</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>Co zkopírovat</source>
        <translation>What to copy</translation>
    </message>
    <message>
        <source>Soubory</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>Cesty</source>
        <translation>Paths</translation>
    </message>
    <message>
        <source>Názvy</source>
        <translation>Names</translation>
    </message>
    <message>
        <source>Zkopíruje samotné soubory. Pak je vložíš Ctrl+V do správce souborů, e-mailu nebo zprávy.</source>
        <translation>Copies the files themselves. Then paste them with Ctrl+V into the file manager, an email or a message.</translation>
    </message>
    <message>
        <source>Zkopíruje úplnou cestu ke každému souboru, každou na nový řádek. Hodí se pro terminál a skripty.</source>
        <translation>Copies the full path of each file, each on a new line. Handy for the terminal and scripts.</translation>
    </message>
    <message>
        <source>Zkopíruje jen názvy souborů, každý na nový řádek. Hodí se do seznamů a poznámek.</source>
        <translation>Copies just the file names, each on a new line. Handy for lists and notes.</translation>
    </message>
    <message>
        <source>Původní fotka</source>
        <translation>Original photo</translation>
    </message>
    <message>
        <source>Náhled – podrž myš pro porovnání s originálem</source>
        <translation>Preview – hold the mouse button to compare with the original</translation>
    </message>
    <message>
        <source>Je dostupná nová verze %@ %@</source>
        <translation>%@ %@ is available</translation>
    </message>
    <message>
        <source>Novou verzi si stáhneš zdarma z %@.</source>
        <translation>You can download the new version for free from %@.</translation>
    </message>
    <message>
        <source>Stáhnout</source>
        <translation>Download</translation>
    </message>
    <message>
        <source>Později</source>
        <translation>Later</translation>
    </message>
</context>
</TS>
