<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="cs_CZ">
<context>
    <name>Kelvaro</name>
    <message>
        <source>%lld %%</source>
        <translation>%lld %%</translation>
    </message>
    <message>
        <source>%lld souborů připraveno</source>
        <translation>%lld files ready</translation>
    </message>
    <message>
        <source>%lld z %lld</source>
        <translation>%lld of %lld</translation>
    </message>
    <message>
        <source>+%lld</source>
        <translation>+%lld</translation>
    </message>
    <message>
        <source>+%lld %%</source>
        <translation>+%lld %%</translation>
    </message>
    <message>
        <source>1 soubor připraven</source>
        <translation>1 file ready</translation>
    </message>
    <message>
        <source>Hotovo</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>Najeď na výseč a klikni</source>
        <translation>Point at a slice and click</translation>
    </message>
    <message>
        <source>Nyní %@</source>
        <translation>Now %@</translation>
    </message>
    <message>
        <source>Náhled není k dispozici</source>
        <translation>Preview not available</translation>
    </message>
    <message>
        <source>Obrázky a PDF (%@)</source>
        <translation>Images and PDFs (%@)</translation>
    </message>
    <message>
        <source>Odebrat z výběru</source>
        <translation>Remove from selection</translation>
    </message>
    <message>
        <source>Otevře se kolo s akcemi pro tvoje soubory</source>
        <translation>A wheel of actions opens for your files</translation>
    </message>
    <message>
        <source>Otevřít</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Porovnat</source>
        <translation>Compare</translation>
    </message>
    <message>
        <source>Porovnání</source>
        <translation>Comparison</translation>
    </message>
    <message>
        <source>Pusť to sem</source>
        <translation>Drop it here</translation>
    </message>
    <message>
        <source>Přetáhni %@</source>
        <translation>Drag %@</translation>
    </message>
    <message>
        <source>Přetáhni výsledek, kam potřebuješ</source>
        <translation>Drag a result wherever you need it</translation>
    </message>
    <message>
        <source>Přetáhni všechny výsledky najednou</source>
        <translation>Drag all results at once</translation>
    </message>
    <message>
        <source>Přidat</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Přidat další fotky do výběru (můžeš je sem i přetáhnout)</source>
        <translation>Add more photos to the selection (you can also drag them here)</translation>
    </message>
    <message>
        <source>Přidat do výběru</source>
        <translation>Add to Selection</translation>
    </message>
    <message>
        <source>Původně %@</source>
        <translation>Originally %@</translation>
    </message>
    <message>
        <source>Vrátit</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>Vybrat soubory</source>
        <translation>Choose Files</translation>
    </message>
    <message>
        <source>Všech %lld</source>
        <translation>All %lld</translation>
    </message>
    <message>
        <source>Všechny soubory (%@)</source>
        <translation>All files (%@)</translation>
    </message>
    <message>
        <source>Zobrazit ve správci souborů</source>
        <translation>Show in File Manager</translation>
    </message>
    <message>
        <source>Zrušit</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Zrušit výběr</source>
        <translation>Clear selection</translation>
    </message>
    <message>
        <source>nebo</source>
        <translation>or</translation>
    </message>
</context>
</TS>
