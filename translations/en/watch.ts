<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="cs_CZ">
<context>
    <name>Kelvaro</name>
    <message>
        <source>Rozměry zůstanou, změní se jen formát</source>
        <translation>Same dimensions, only the format changes</translation>
    </message>
    <message>
        <source>Smaže polohu GPS a údaje o foťáku</source>
        <translation>Removes GPS location and camera details</translation>
    </message>
    <message>
        <source>Vystřihne hlavní objekt do PNG</source>
        <translation>Cuts out the main subject into a PNG</translation>
    </message>
    <message>
        <source>1 soubor</source>
        <translation>1 file</translation>
    </message>
    <message>
        <source>%lld soubory</source>
        <translation>%lld files</translation>
    </message>
    <message>
        <source>%lld souborů</source>
        <translation>%lld files</translation>
    </message>
    <message>
        <source>1 složku</source>
        <translation>1 folder</translation>
    </message>
    <message>
        <source>%lld složky</source>
        <translation>%lld folders</translation>
    </message>
    <message>
        <source>%lld složek</source>
        <translation>%lld folders</translation>
    </message>
    <message>
        <source>Složka není dostupná. Přesunul jsi ji nebo smazal?</source>
        <translation>The folder is not available. Did you move or delete it?</translation>
    </message>
    <message>
        <source>Složka není dostupná.</source>
        <translation>The folder is not available.</translation>
    </message>
    <message>
        <source>Ve složce nejsou žádné obrázky.</source>
        <translation>There are no images in the folder.</translation>
    </message>
    <message>
        <source>Nejdřív vyber složku pro výsledky v Nastavení.</source>
        <translation>First choose a folder for results in Settings.</translation>
    </message>
    <message>
        <source>Výsledky by padaly do sledované složky. Vyber jinou složku.</source>
        <translation>Results would land in the watched folder. Choose another folder.</translation>
    </message>
    <message>
        <source>Nepovedlo se zpracovat: %lld.</source>
        <translation>Could not process: %lld.</translation>
    </message>
    <message>
        <source>Zatím tu nejsou žádné výsledky.</source>
        <translation>There are no results here yet.</translation>
    </message>
    <message>
        <source>Zpracováno: %@ ze složky „%@“.</source>
        <translation>Processed %@ from the folder “%@”.</translation>
    </message>
    <message>
        <source>Automaticky</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>Screenshoty na web</source>
        <translation>Screenshots for the web</translation>
    </message>
    <message>
        <source>Zmenší na 1600 px a smaže metadata</source>
        <translation>Shrinks to 1600 px and removes metadata</translation>
    </message>
    <message>
        <source>HEIC z iPhonu na JPG</source>
        <translation>iPhone HEIC to JPG</translation>
    </message>
    <message>
        <source>Formát, který otevře úplně všechno</source>
        <translation>A format that opens anywhere</translation>
    </message>
    <message>
        <source>Instagram 4:5</source>
        <translation>Instagram 4:5</translation>
    </message>
    <message>
        <source>Ořízne a zmenší na 1080×1350 px</source>
        <translation>Crops and shrinks to 1080×1350 px</translation>
    </message>
    <message>
        <source>Soukromí před sdílením</source>
        <translation>Privacy before sharing</translation>
    </message>
    <message>
        <source>Smaže GPS a údaje o foťáku</source>
        <translation>Removes GPS and camera details</translation>
    </message>
</context>
</TS>
