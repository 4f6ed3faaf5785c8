<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="cs_CZ">
<context>
    <name>Kelvaro</name>
    <message>
        <source>Bez složky pro výsledky nemůžu pokračovat.</source>
        <translation>I can't continue without a folder for the results.</translation>
    </message>
    <message>
        <source>Cesta k souboru je ve schránce.</source>
        <translation>The file's path is on the clipboard.</translation>
    </message>
    <message>
        <source>KDE Connect teď není dostupné. Spáruj telefon a zapni KDE Connect.</source>
        <translation>KDE Connect isn't available right now. Pair your phone and turn KDE Connect on.</translation>
    </message>
    <message>
        <source>Nejdřív přetáhni nebo vyber soubory.</source>
        <translation>First drag in or choose some files.</translation>
    </message>
    <message>
        <source>Nová police</source>
        <translation>New Shelf</translation>
    </message>
    <message>
        <source>Název souboru je ve schránce.</source>
        <translation>The file's name is on the clipboard.</translation>
    </message>
    <message>
        <source>Pracuju na tom…</source>
        <translation>Working on it…</translation>
    </message>
    <message>
        <source>Přesunuté soubory jsou pořád v cílové složce.</source>
        <translation>The moved files are still in the destination folder.</translation>
    </message>
    <message>
        <source>Rušení… dokončím rozdělanou fotku.</source>
        <translation>Cancelling… I'll finish the photo in progress.</translation>
    </message>
    <message>
        <source>Soubory jsou zpátky na původním místě.</source>
        <translation>The files are back where they were.</translation>
    </message>
    <message>
        <source>Soubory posílám do spárovaného telefonu přes KDE Connect.</source>
        <translation>Sending the files to your paired phone via KDE Connect.</translation>
    </message>
    <message>
        <source>Soubory se na polici nepodařilo uložit.</source>
        <translation>The files couldn't be put on the shelf.</translation>
    </message>
    <message>
        <source>Tyhle soubory už ve výběru jsou.</source>
        <translation>These files are already selected.</translation>
    </message>
    <message>
        <source>V tom, co jsi přidal, nejsou žádné fotky ani PDF.</source>
        <translation>There are no photos or PDFs in what you added.</translation>
    </message>
    <message>
        <source>Vráceno – výsledky jsou v koši.</source>
        <translation>Undone – the results are in the trash.</translation>
    </message>
    <message>
        <source>Vyber složku, kam se soubory přesunou.</source>
        <translation>Choose the folder to move the files to.</translation>
    </message>
    <message>
        <source>Zkontroluj je ve správci souborů.</source>
        <translation>Check them in the file manager.</translation>
    </message>
    <message>
        <source>Žádný text jsem nenašel.</source>
        <translation>I didn't find any text.</translation>
    </message>
    <message>
        <source>Cesty ke %lld souborům jsou ve schránce.</source>
        <translation>The paths of %lld files are on the clipboard.</translation>
    </message>
    <message>
        <source>Do schránky jsem zkopíroval %@. Vlož je Ctrl+V.</source>
        <translation>I copied %@ to the clipboard. Paste them with Ctrl+V.</translation>
    </message>
    <message>
        <source>Hotovo – %@ ve složce „%@“.</source>
        <translation>Done – %@ in the folder “%@”.</translation>
    </message>
    <message>
        <source>Nepodařilo se vrátit %lld souborů.</source>
        <translation>%lld files could not be restored.</translation>
    </message>
    <message>
        <source>Nepovedlo se: %lld.</source>
        <translation>Failed: %lld.</translation>
    </message>
    <message>
        <source>Názvy %lld souborů jsou ve schránce.</source>
        <translation>The names of %lld files are on the clipboard.</translation>
    </message>
    <message>
        <source>Odloženo na polici „%@“.</source>
        <translation>Put on the shelf “%@”.</translation>
    </message>
    <message>
        <source>Přesunuto %@ do „%@“.</source>
        <translation>Moved %@ to “%@”.</translation>
    </message>
    <message>
        <source>Text je ve schránce a uložený jako .txt (%@).</source>
        <translation>The text is on the clipboard and saved as .txt (%@).</translation>
    </message>
    <message>
        <source>Zkopírováno %@ do „%@“. Originály (%lld) zůstaly na místě – systém nepovolil jejich odstranění.</source>
        <translation>Copied %@ to “%@”. The originals (%lld) stayed in place – the system didn't allow removing them.</translation>
    </message>
    <message>
        <source>„%@“ je na polici „%@“.</source>
        <translation>“%@” is on the shelf “%@”.</translation>
    </message>
</context>
</TS>
