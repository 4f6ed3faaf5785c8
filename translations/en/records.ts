<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="cs_CZ">
<context>
    <name>Kelvaro</name>
    <message>
        <source>Vlevo nahoře</source>
        <translation>Top left</translation>
    </message>
    <message>
        <source>Vpravo nahoře</source>
        <translation>Top right</translation>
    </message>
    <message>
        <source>Uprostřed</source>
        <translation>Center</translation>
    </message>
    <message>
        <source>Vlevo dole</source>
        <translation>Bottom left</translation>
    </message>
    <message>
        <source>Vpravo dole</source>
        <translation>Bottom right</translation>
    </message>
    <message>
        <source>Úpravy</source>
        <translation>Adjust</translation>
    </message>
    <message>
        <source>Předvolba %@</source>
        <translation>Preset %@</translation>
    </message>
    <message>
        <source>Postup %@</source>
        <translation>Workflow %@</translation>
    </message>
    <message>
        <source>Zabalit do ZIP</source>
        <translation>Pack into ZIP</translation>
    </message>
    <message>
        <source>Spojit do PDF</source>
        <translation>Combine into PDF</translation>
    </message>
    <message>
        <source>Převod na %@</source>
        <translation>Convert to %@</translation>
    </message>
    <message>
        <source>Ořez %@</source>
        <translation>Crop %@</translation>
    </message>
    <message>
        <source>Změna velikosti</source>
        <translation>Resize</translation>
    </message>
    <message>
        <source>Komprese</source>
        <translation>Compress</translation>
    </message>
    <message>
        <source>Vodoznak</source>
        <translation>Watermark</translation>
    </message>
    <message>
        <source>Přejmenování</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>Rozmazat obličeje</source>
        <translation>Blur faces</translation>
    </message>
    <message>
        <source>Odstranit pozadí</source>
        <translation>Remove background</translation>
    </message>
    <message>
        <source>Text z obrázku</source>
        <translation>Text from image</translation>
    </message>
    <message>
        <source>Sken dokumentu</source>
        <translation>Document scan</translation>
    </message>
    <message>
        <source>Odstranit metadata</source>
        <translation>Remove metadata</translation>
    </message>
    <message>
        <source>Přesun</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>Převod na JPG</source>
        <translation>Convert to JPG</translation>
    </message>
    <message>
        <source>Převod na PNG</source>
        <translation>Convert to PNG</translation>
    </message>
    <message>
        <source>Převod na HEIC</source>
        <translation>Convert to HEIC</translation>
    </message>
    <message>
        <source>Převod na TIFF</source>
        <translation>Convert to TIFF</translation>
    </message>
    <message>
        <source>Ořez 1:1</source>
        <translation>Crop 1:1</translation>
    </message>
    <message>
        <source>Ořez 4:5</source>
        <translation>Crop 4:5</translation>
    </message>
    <message>
        <source>Ořez 3:2</source>
        <translation>Crop 3:2</translation>
    </message>
    <message>
        <source>Ořez 4:3</source>
        <translation>Crop 4:3</translation>
    </message>
    <message>
        <source>Ořez 16:9</source>
        <translation>Crop 16:9</translation>
    </message>
    <message>
        <source>Ořez 9:16</source>
        <translation>Crop 9:16</translation>
    </message>
    <message>
        <source>HEIC → JPG</source>
        <translation>HEIC → JPG</translation>
    </message>
    <message>
        <source>TIFF → JPG</source>
        <translation>TIFF → JPG</translation>
    </message>
    <message>
        <source>Soubor „%@“ se nepodařilo otevřít.</source>
        <translation>The file “%@” could not be opened.</translation>
    </message>
    <message>
        <source>Výsledek „%@“ se nepodařilo uložit. Zkontroluj složku v Nastavení.</source>
        <translation>The result “%@” could not be saved. Check the folder in Settings.</translation>
    </message>
    <message>
        <source>Na snímku „%@“ jsem nenašel hlavní objekt.</source>
        <translation>I found no main subject in “%@”.</translation>
    </message>
    <message>
        <source>Na snímku „%@“ jsem nenašel žádný obličej.</source>
        <translation>I found no face in “%@”.</translation>
    </message>
    <message>
        <source>Archiv by byl příliš velký (limit je 4 GB).</source>
        <translation>The archive would be too large (the limit is 4 GB).</translation>
    </message>
    <message>
        <source>kvalita %ld %%</source>
        <translation>quality %ld %%</translation>
    </message>
    <message>
        <source>bez metadat</source>
        <translation>no metadata</translation>
    </message>
    <message>
        <source>Web</source>
        <translation>Web</translation>
    </message>
    <message>
        <source>E-mail</source>
        <translation>Email</translation>
    </message>
    <message>
        <source>Sociální sítě</source>
        <translation>Social media</translation>
    </message>
    <message>
        <source>Instagram příspěvek na výšku (4x5)</source>
        <translation>Instagram portrait post (4x5)</translation>
    </message>
    <message>
        <source>Instagram čtverec (1x1)</source>
        <translation>Instagram square (1x1)</translation>
    </message>
    <message>
        <source>Instagram příspěvek na šířku</source>
        <translation>Instagram landscape post</translation>
    </message>
    <message>
        <source>Instagram Story a Reel (9x16)</source>
        <translation>Instagram Story and Reel (9x16)</translation>
    </message>
    <message>
        <source>Instagram profilovka</source>
        <translation>Instagram profile picture</translation>
    </message>
    <message>
        <source>YouTube miniatura (16x9)</source>
        <translation>YouTube thumbnail (16x9)</translation>
    </message>
    <message>
        <source>YouTube banner kanálu</source>
        <translation>YouTube channel banner</translation>
    </message>
    <message>
        <source>YouTube profilovka</source>
        <translation>YouTube profile picture</translation>
    </message>
    <message>
        <source>Úpravy barev</source>
        <translation>Color adjustments</translation>
    </message>
    <message>
        <source>Oříznout na poměr</source>
        <translation>Crop to ratio</translation>
    </message>
    <message>
        <source>Zmenšit</source>
        <translation>Shrink</translation>
    </message>
    <message>
        <source>Přidat vodoznak</source>
        <translation>Add watermark</translation>
    </message>
    <message>
        <source>© Moje fotky</source>
        <translation>© My photos</translation>
    </message>
    <message>
        <source>Převést</source>
        <translation>Convert</translation>
    </message>
    <message>
        <source>Nástroje</source>
        <translation>Tools</translation>
    </message>
    <message>
        <source>Akce</source>
        <translation>Actions</translation>
    </message>
    <message>
        <source>JPG</source>
        <translation>JPG</translation>
    </message>
    <message>
        <source>PNG</source>
        <translation>PNG</translation>
    </message>
    <message>
        <source>HEIC</source>
        <translation>HEIC</translation>
    </message>
    <message>
        <source>TIFF</source>
        <translation>TIFF</translation>
    </message>
    <message>
        <source>PDF</source>
        <translation>PDF</translation>
    </message>
    <message>
        <source>ZIP</source>
        <translation>ZIP</translation>
    </message>
    <message>
        <source>Ořez</source>
        <translation>Crop</translation>
    </message>
    <message>
        <source>Velikost</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>Pozadí</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>Obličeje</source>
        <translation>Faces</translation>
    </message>
    <message>
        <source>OCR</source>
        <translation>OCR</translation>
    </message>
    <message>
        <source>Sken</source>
        <translation>Scan</translation>
    </message>
    <message>
        <source>Na polici</source>
        <translation>To a shelf</translation>
    </message>
    <message>
        <source>KDE Connect</source>
        <translation>KDE Connect</translation>
    </message>
    <message>
        <source>Přesunout</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>Přejmenovat</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>Metadata</source>
        <translation>Metadata</translation>
    </message>
    <message>
        <source>Schránka</source>
        <translation>Clipboard</translation>
    </message>
    <message>
        <source>Univerzální a malé</source>
        <translation>Universal and small</translation>
    </message>
    <message>
        <source>Bez ztráty, s průhledností</source>
        <translation>Lossless, with transparency</translation>
    </message>
    <message>
        <source>Moderní a úsporné</source>
        <translation>Modern and compact</translation>
    </message>
    <message>
        <source>Pro tisk a archiv</source>
        <translation>For print and archive</translation>
    </message>
    <message>
        <source>Více fotek do jednoho PDF</source>
        <translation>Several photos into one PDF</translation>
    </message>
    <message>
        <source>Zabalit do jednoho archivu</source>
        <translation>Pack into one archive</translation>
    </message>
    <message>
        <source>Poměr 1:1, 4:5, 16:9…</source>
        <translation>Ratio 1:1, 4:5, 16:9…</translation>
    </message>
    <message>
        <source>Procenta nebo delší strana</source>
        <translation>Percent or long edge</translation>
    </message>
    <message>
        <source>Menší soubor, stejný dojem</source>
        <translation>Smaller file, same look</translation>
    </message>
    <message>
        <source>Vystřihne hlavní objekt</source>
        <translation>Cuts out the main subject</translation>
    </message>
    <message>
        <source>Jas, kontrast, sytost…</source>
        <translation>Brightness, contrast, saturation…</translation>
    </message>
    <message>
        <source>Rozmaže obličeje na fotce</source>
        <translation>Blurs the faces in a photo</translation>
    </message>
    <message>
        <source>Text z obrázku do schránky</source>
        <translation>Text from an image to the clipboard</translation>
    </message>
    <message>
        <source>Narovná dokument do PDF</source>
        <translation>Straightens a document into a PDF</translation>
    </message>
    <message>
        <source>Text přes celou fotku</source>
        <translation>Text across the photo</translation>
    </message>
    <message>
        <source>Odložit na později</source>
        <translation>Put aside for later</translation>
    </message>
    <message>
        <source>Poslat do okolí</source>
        <translation>Send to nearby devices</translation>
    </message>
    <message>
        <source>Do jiné složky</source>
        <translation>To another folder</translation>
    </message>
    <message>
        <source>Dávkově, s číslováním</source>
        <translation>In batches, with numbering</translation>
    </message>
    <message>
        <source>Smaže EXIF a polohu GPS</source>
        <translation>Removes EXIF and GPS location</translation>
    </message>
    <message>
        <source>Soubory, cesty nebo názvy</source>
        <translation>Files, paths or names</translation>
    </message>
    <message>
        <source>Domů</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>Postupy</source>
        <translation>Workflows</translation>
    </message>
    <message>
        <source>Sledované složky</source>
        <translation>Watched folders</translation>
    </message>
    <message>
        <source>Police</source>
        <translation>Shelves</translation>
    </message>
    <message>
        <source>Historie</source>
        <translation>History</translation>
    </message>
    <message>
        <source>Průvodce</source>
        <translation>Guide</translation>
    </message>
    <message>
        <source>Svatby</source>
        <translation>Weddings</translation>
    </message>
    <message>
        <source>Produktovky</source>
        <translation>Product shots</translation>
    </message>
    <message>
        <source>Island</source>
        <translation>Iceland</translation>
    </message>
    <message>
        <source>Vyber složku, kam se budou ukládat výsledky. Originály zůstanou nedotčené.</source>
        <translation>Choose the folder where results will be saved. Your originals stay untouched.</translation>
    </message>
</context>
</TS>
