<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="cs_CZ">
<context>
    <name>Kelvaro</name>
    <message>
        <source>Celá historie</source>
        <translation>Full history</translation>
    </message>
    <message>
        <source>Dobré odpoledne</source>
        <translation>Good afternoon</translation>
    </message>
    <message>
        <source>Dobré ráno</source>
        <translation>Good morning</translation>
    </message>
    <message>
        <source>Dobrý večer</source>
        <translation>Good evening</translation>
    </message>
    <message>
        <source>Formáty, komprese a změna velikosti</source>
        <translation>Formats, compression and resizing</translation>
    </message>
    <message>
        <source>Kelvaro</source>
        <translation>Kelvaro</translation>
    </message>
    <message>
        <source>Knihovna</source>
        <translation>Library</translation>
    </message>
    <message>
        <source>Kolo</source>
        <translation>Wheel</translation>
    </message>
    <message>
        <source>Kolo akcí se sem brzy vrátí.</source>
        <translation>The action wheel will be back here soon.</translation>
    </message>
    <message>
        <source>Nastavení</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Nastavení (Ctrl+,)</source>
        <translation>Settings (Ctrl+,)</translation>
    </message>
    <message>
        <source>Nastavení nástroje</source>
        <translation>Tool settings</translation>
    </message>
    <message>
        <source>Nastavení…</source>
        <translation>Settings…</translation>
    </message>
    <message>
        <source>Nedávno vytvořeno</source>
        <translation>Recently created</translation>
    </message>
    <message>
        <source>Nápověda</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>Otevřít Kelvaro</source>
        <translation>Open Kelvaro</translation>
    </message>
    <message>
        <source>Otevřít nastavení: jazyk, složka výsledků, kvalita (Ctrl+,)</source>
        <translation>Open settings: language, results folder, quality (Ctrl+,)</translation>
    </message>
    <message>
        <source>Průvodce funkcemi Kelvaro</source>
        <translation>Kelvaro Feature Guide</translation>
    </message>
    <message>
        <source>Přepnout kolo na %@</source>
        <translation>Switch the wheel to %@</translation>
    </message>
    <message>
        <source>Přetáhni sem fotky</source>
        <translation>Drop photos here</translation>
    </message>
    <message>
        <source>Přetáhni soubory do kola a klikni na výseč. Výsledek se uloží do tvé složky, originály zůstanou nedotčené.</source>
        <translation>Drop files on the wheel and click a slice. The result is saved to your folder; the originals stay untouched.</translation>
    </message>
    <message>
        <source>Tahle část aplikace se právě dokončuje.</source>
        <translation>This part of the app is being finished right now.</translation>
    </message>
    <message>
        <source>Tvoje fotky. Jedním tahem.</source>
        <translation>Your photos. In one move.</translation>
    </message>
    <message>
        <source>Ukončit</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Ukázat výstupní složku ve správci souborů</source>
        <translation>Show the output folder in the file manager</translation>
    </message>
    <message>
        <source>Vybrat fotky a poslat je do kola akcí (Ctrl+O)</source>
        <translation>Choose photos and send them to the action wheel (Ctrl+O)</translation>
    </message>
    <message>
        <source>Vybrat fotky do kola…</source>
        <translation>Choose Photos for the Wheel…</translation>
    </message>
    <message>
        <source>Vybrat soubory…</source>
        <translation>Choose Files…</translation>
    </message>
    <message>
        <source>Vysvětlení všech funkcí</source>
        <translation>Explanation of every feature</translation>
    </message>
    <message>
        <source>Výstupní složka</source>
        <translation>Output Folder</translation>
    </message>
    <message>
        <source>Vše zůstává v počítači</source>
        <translation>Everything stays local</translation>
    </message>
    <message>
        <source>ZIP, PDF, police a přesuny</source>
        <translation>ZIP, PDF, shelves and moves</translation>
    </message>
    <message>
        <source>Zatím je tu ticho. Přetáhni první fotku do kola.</source>
        <translation>All quiet so far. Drop your first photo on the wheel.</translation>
    </message>
    <message>
        <source>Zatím žádné police. Přetáhni fotky a zvol „Na polici“.</source>
        <translation>No shelves yet. Drop photos and choose “To a shelf”.</translation>
    </message>
    <message>
        <source>Zavřít</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Zobrazit</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>akcí tento týden</source>
        <translation>actions this week</translation>
    </message>
    <message>
        <source>na policích</source>
        <translation>on shelves</translation>
    </message>
    <message>
        <source>souborů zpracováno</source>
        <translation>files processed</translation>
    </message>
    <message>
        <source>ušetřeno kompresí</source>
        <translation>saved by compression</translation>
    </message>
    <message>
        <source>Úpravy, vodoznak, pozadí, OCR a sken</source>
        <translation>Adjustments, watermark, background, OCR and scan</translation>
    </message>
</context>
</TS>
