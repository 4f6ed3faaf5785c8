<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="cs_CZ">
<context>
    <name>Kelvaro</name>
    <message>
        <source>1 fotka</source>
        <translation>1 photo</translation>
    </message>
    <message>
        <source>%lld fotky</source>
        <translation>%lld photos</translation>
    </message>
    <message>
        <source>%lld fotek</source>
        <translation>%lld photos</translation>
    </message>
    <message>
        <source>Vybrat složku</source>
        <translation>Choose Folder</translation>
    </message>
    <message>
        <source>Složka</source>
        <translation>Folder</translation>
    </message>
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
    <message>
        <source>Nic se nepodařilo naskenovat.</source>
        <translation>Nothing could be scanned.</translation>
    </message>
    <message>
        <source>Měkké rozmazání</source>
        <translation>Soft blur</translation>
    </message>
    <message>
        <source>Pixelizace</source>
        <translation>Pixelate</translation>
    </message>
    <message>
        <source>Zakrytí</source>
        <translation>Cover</translation>
    </message>
    <message>
        <source>Vyber obrázek s logem (nejlépe PNG s průhledností).</source>
        <translation>Choose an image with your logo (ideally a PNG with transparency).</translation>
    </message>
    <message>
        <source>Použít</source>
        <translation>Apply</translation>
    </message>
    <message>
        <source>Obrázky (%@)</source>
        <translation>Images (%@)</translation>
    </message>
    <message>
        <source>Portfolio</source>
        <translation>Portfolio</translation>
    </message>
    <message>
        <source>Produktovka</source>
        <translation>Product shot</translation>
    </message>
    <message>
        <source>Bezpečné sdílení</source>
        <translation>Safe sharing</translation>
    </message>
    <message>
        <source>Skryje obličeje na fotce</source>
        <translation>Hides the faces in the photo</translation>
    </message>
    <message>
        <source>jas %ld</source>
        <translation>brightness %ld</translation>
    </message>
    <message>
        <source>kontrast %ld</source>
        <translation>contrast %ld</translation>
    </message>
    <message>
        <source>černobíle</source>
        <translation>black and white</translation>
    </message>
    <message>
        <source>Beze změny</source>
        <translation>No change</translation>
    </message>
    <message>
        <source>Poměr %@</source>
        <translation>Ratio %@</translation>
    </message>
    <message>
        <source>Delší strana nejvýš %ld px</source>
        <translation>Long side at most %ld px</translation>
    </message>
    <message>
        <source>Původní formát</source>
        <translation>Original format</translation>
    </message>
    <message>
        <source>%ld krok</source>
        <translation>%ld step</translation>
    </message>
    <message>
        <source>%ld kroky</source>
        <translation>%ld steps</translation>
    </message>
    <message>
        <source>%ld kroků</source>
        <translation>%ld steps</translation>
    </message>
    <message>
        <source>úpravy</source>
        <translation>adjusted</translation>
    </message>
    <message>
        <source>ořez %@</source>
        <translation>crop %@</translation>
    </message>
    <message>
        <source>komprese</source>
        <translation>compressed</translation>
    </message>
    <message>
        <source>vodoznak</source>
        <translation>watermark</translation>
    </message>
    <message>
        <source>rozmazané obličeje</source>
        <translation>blurred faces</translation>
    </message>
    <message>
        <source>bez pozadí</source>
        <translation>no background</translation>
    </message>
    <message>
        <source>Kód: %@</source>
        <translation>Code: %@</translation>
    </message>
    <message>
        <source>Spojené fotografie (%lld)</source>
        <translation>Combined photos (%lld)</translation>
    </message>
    <message>
        <source>Kelvaro (%lld souborů)</source>
        <translation>Kelvaro (%lld files)</translation>
    </message>
    <message>
        <source>Soubor „%@“ se nepodařilo zkopírovat.</source>
        <translation>The file “%@” could not be copied.</translation>
    </message>
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
        <translation>Blur Faces</translation>
    </message>
    <message>
        <source>Rozmazat obličeje</source>
        <comment>workflow step</comment>
        <translation>Blur faces</translation>
    </message>
    <message>
        <source>Rozmazat obličeje</source>
        <comment>history title</comment>
        <translation>Blur faces</translation>
    </message>
    <message>
        <source>Odstranit pozadí</source>
        <translation>Remove Background</translation>
    </message>
    <message>
        <source>Odstranit pozadí</source>
        <comment>workflow step</comment>
        <translation>Remove background</translation>
    </message>
    <message>
        <source>Odstranit pozadí</source>
        <comment>watch action</comment>
        <translation>Remove background</translation>
    </message>
    <message>
        <source>Odstranit pozadí</source>
        <comment>history title</comment>
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
        <source>Výsledek „%@“ se nepodařilo uložit – na disku není místo.</source>
        <translation>The result “%@” could not be saved – the disk is full.</translation>
    </message>
    <message>
        <source>Na fotku „%@“ nestačí paměť.</source>
        <translation>Not enough memory for the photo “%@”.</translation>
    </message>
    <message>
        <source>Stránka PDF „%@“ potřebuje víc paměti nebo času, než Kelvaro jedné stránce PDF dovolí.</source>
        <translation>The PDF page “%@” needs more memory or time than Kelvaro allows a PDF page.</translation>
    </message>
    <message>
        <source>Obrázek „%@“ se v tomto formátu nepodařilo zakódovat.</source>
        <translation>The image “%@” could not be encoded in this format.</translation>
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
        <translation>quality %ld%%</translation>
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
        <translation>Color Adjustments</translation>
    </message>
    <message>
        <source>Úpravy barev</source>
        <comment>workflow step</comment>
        <translation>Color adjustments</translation>
    </message>
    <message>
        <source>Oříznout na poměr</source>
        <translation>Crop to Ratio</translation>
    </message>
    <message>
        <source>Oříznout na poměr</source>
        <comment>workflow step</comment>
        <translation>Crop to ratio</translation>
    </message>
    <message>
        <source>Zmenšit</source>
        <translation>Shrink</translation>
    </message>
    <message>
        <source>Zmenšit</source>
        <comment>workflow step</comment>
        <translation>Shrink</translation>
    </message>
    <message>
        <source>Zmenšit</source>
        <comment>compress button</comment>
        <translation>Compress</translation>
    </message>
    <message>
        <source>Přidat vodoznak</source>
        <translation>Add Watermark</translation>
    </message>
    <message>
        <source>Přidat vodoznak</source>
        <comment>workflow step</comment>
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
        <translation>Cutout</translation>
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
        <translation>Add to Shelf</translation>
    </message>
    <message>
        <source>Na polici</source>
        <comment>history title</comment>
        <translation>Add to shelf</translation>
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
        <translation>In bulk, with numbering</translation>
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
        <translation>Watched Folders</translation>
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
    <message>
        <source>Bez složky pro výsledky nemůžu pokračovat.</source>
        <translation>I can’t continue without a folder for the results.</translation>
    </message>
    <message>
        <source>Cesta k souboru je ve schránce.</source>
        <translation>The file’s path is on the clipboard.</translation>
    </message>
    <message>
        <source>KDE Connect teď není dostupné. Spáruj telefon a zapni KDE Connect.</source>
        <translation>KDE Connect isn’t available right now. Pair your phone and turn KDE Connect on.</translation>
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
        <translation>The file’s name is on the clipboard.</translation>
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
        <translation>Cancelling… I’ll finish the photo in progress.</translation>
    </message>
    <message>
        <source>Soubory jsou zpátky na původním místě.</source>
        <translation>The files are back where they were.</translation>
    </message>
    <message>
        <source>Soubory posílám přes KDE Connect do zařízení „%@“.</source>
        <translation>Sending the files to “%@” via KDE Connect.</translation>
    </message>
    <message>
        <source>Poslat přes KDE Connect</source>
        <translation>Send via KDE Connect</translation>
    </message>
    <message>
        <source>Poslat</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>Připojených zařízení je víc. Vyber, kam se soubory pošlou.</source>
        <translation>More than one device is connected. Choose where to send the files.</translation>
    </message>
    <message>
        <source>Soubory se na polici nepodařilo uložit.</source>
        <translation>The files couldn’t be put on the shelf.</translation>
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
        <translation>I didn’t find any text.</translation>
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
        <translation>Copied %@ to “%@”. The originals (%lld) stayed in place – the system didn’t allow removing them.</translation>
    </message>
    <message>
        <source>„%@“ je na polici „%@“.</source>
        <translation>“%@” is on the shelf “%@”.</translation>
    </message>
    <message>
        <source>Celá historie</source>
        <translation>Full History</translation>
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
        <translation>Recently Created</translation>
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
        <source>Změny se nepodařilo uložit</source>
        <translation>The changes could not be saved</translation>
    </message>
    <message>
        <source>Zkusit znovu</source>
        <translation>Try Again</translation>
    </message>
    <message>
        <source>Přesto ukončit</source>
        <translation>Quit Anyway</translation>
    </message>
    <message>
        <source>Znovu jsem to zkusil v %@ a zase to nešlo.</source>
        <translation>Tried again at %@, and it failed again.</translation>
    </message>
    <message>
        <source>Když teď Kelvaro ukončíš, změny od posledního uložení se ztratí.</source>
        <translation>If you quit Kelvaro now, the changes since the last save will be lost.</translation>
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
        <translation>No shelves yet. Drop photos and choose “Add to Shelf”.</translation>
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
        <source>Soubor „%@“ nechávám stranou, dokud se nezmění: Kelvaro se při jeho zpracování dvakrát ukončil.</source>
        <translation>The file “%@” is left aside until it changes: Kelvaro ended twice while processing it.</translation>
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
    <message>
        <source>%lld %%</source>
        <translation>%lld%%</translation>
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
        <translation>+%lld%%</translation>
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
        <translation>Add to selection</translation>
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
    <message>
        <source>Kelvaro (1 soubor)</source>
        <translation>Kelvaro (1 file)</translation>
    </message>
    <message>
        <source>Kelvaro (%lld soubory)</source>
        <translation>Kelvaro (%lld files)</translation>
    </message>
    <message>
        <source>Nepodařilo se vrátit 1 soubor.</source>
        <translation>1 file could not be restored.</translation>
    </message>
    <message>
        <source>Nepodařilo se vrátit %lld soubory.</source>
        <translation>%lld files could not be restored.</translation>
    </message>
    <message>
        <source>%lld soubory připraveny</source>
        <translation>%lld files ready</translation>
    </message>
    <message>
        <source>Fotka „%@“ je příliš velká (limit je %lld megapixelů).</source>
        <translation>The photo “%@” is too large (the limit is %lld megapixels).</translation>
    </message>
    <message>
        <source>Složku s výsledky se nepodařilo zobrazit – žádný správce souborů neodpověděl.</source>
        <translation>The results folder could not be shown – no file manager responded.</translation>
    </message>
    <message>
        <source>„%@“ je soubor, ne složka.</source>
        <translation>“%@” is a file, not a folder.</translation>
    </message>
    <message>
        <source>Složku „%@“ se nepodařilo vytvořit.</source>
        <translation>The folder “%@” could not be created.</translation>
    </message>
    <message>
        <source>Použití: %@ [--send] [SOUBOR…]</source>
        <translation>Usage: %@ [--send] [FILE…]</translation>
    </message>
    <message>
        <source>Otevře okno Kelvara; fotky, PDF a složky z příkazové řádky předá už běžícímu Kelvaru.</source>
        <translation>Opens the Kelvaro window; photos, PDFs and folders on the command line go to the Kelvaro already running.</translation>
    </message>
    <message>
        <source>Možnosti:</source>
        <translation>Options:</translation>
    </message>
    <message>
        <source>soubory z akce „Poslat do Kelvara“ ve správci souborů</source>
        <translation>files from the file manager’s “Send to Kelvaro” action</translation>
    </message>
    <message>
        <source>vypíše tuto nápovědu a skončí</source>
        <translation>print this help and exit</translation>
    </message>
    <message>
        <source>vypíše verzi a skončí</source>
        <translation>print the version and exit</translation>
    </message>
    <message>
        <source>Kelvaro upravuje fotky jen v tvém počítači. Nesbírá žádná data, nemá účet ani reklamy.</source>
        <translation>Kelvaro edits your photos only on your computer. It collects no data and has no account and no ads.</translation>
    </message>
    <message>
        <source>Na internet se připojí jen kvůli kontrole nové verze a i tu můžeš vypnout.</source>
        <translation>It goes online only to check for a new version, and you can turn that off too.</translation>
    </message>
    <message>
        <source>Bez sledování</source>
        <translation>No tracking</translation>
    </message>
    <message>
        <source>Bez účtu</source>
        <translation>No account</translation>
    </message>
    <message>
        <source>Bez reklam</source>
        <translation>No ads</translation>
    </message>
    <message>
        <source>Dílna na fotky</source>
        <translation>A workshop for your photos</translation>
    </message>
    <message>
        <source>Verze</source>
        <translation>Version</translation>
    </message>
    <message>
        <source>Zásady ochrany soukromí…</source>
        <translation>Privacy Policy…</translation>
    </message>
    <message>
        <source>Web aplikace</source>
        <translation>Website</translation>
    </message>
    <message>
        <source>Zkontrolovat aktualizace</source>
        <translation>Check for Updates</translation>
    </message>
    <message>
        <source>Automaticky hledat nové verze</source>
        <translation>Automatically check for new versions</translation>
    </message>
    <message>
        <source>Podpořit vývoj…</source>
        <translation>Support Development…</translation>
    </message>
    <message>
        <source>Kelvaro je zdarma. Příspěvek je dobrovolný a nic neodemyká.</source>
        <translation>Kelvaro is free. A contribution is voluntary and unlocks nothing.</translation>
    </message>
    <message>
        <source>Je dostupná nová verze %@</source>
        <translation>Version %@ is available</translation>
    </message>
    <message>
        <source>Kontrola se nepovedla</source>
        <translation>The check failed</translation>
    </message>
    <message>
        <source>Máš nejnovější verzi</source>
        <translation>You’re up to date</translation>
    </message>
    <message>
        <source>Kolo akcí</source>
        <translation>Action Wheel</translation>
    </message>
    <message>
        <source>Samotný modifikátor přepne kolo, Ctrl+1–3 otevře příslušný režim.</source>
        <translation>The modifier key on its own switches the wheel; Ctrl+1–3 opens that mode.</translation>
    </message>
    <message>
        <source>Podrž klávesu nebo stiskni zkratku</source>
        <translation>Hold the key or press the shortcut</translation>
    </message>
    <message>
        <source>Aplikace</source>
        <translation>Application</translation>
    </message>
    <message>
        <source>Vyber složku pro výsledky.</source>
        <translation>Choose a folder for your results.</translation>
    </message>
    <message>
        <source>Jaká data sbíráme</source>
        <translation>What Data We Collect</translation>
    </message>
    <message>
        <source>Žádná. Kelvaro neodesílá fotky, názvy souborů ani statistiky použití. Neobsahuje analytiku, reklamy ani sledování.</source>
        <translation>None. Kelvaro sends no photos, no file names and no usage statistics. It contains no analytics, ads or tracking.</translation>
    </message>
    <message>
        <source>Kde zůstávají tvoje soubory</source>
        <translation>Where Your Files Stay</translation>
    </message>
    <message>
        <source>Všechny úpravy probíhají přímo v tvém počítači. Výsledky se ukládají jen do složky, kterou si sám vybereš. Originály se nemění.</source>
        <translation>All editing happens right on your computer. Results are saved only to the folder you choose. Your originals are never changed.</translation>
    </message>
    <message>
        <source>Co si aplikace pamatuje</source>
        <translation>What the App Remembers</translation>
    </message>
    <message>
        <source>Nastavení, police, postupy, sledované složky a historii ukládá lokálně v počítači. Vše můžeš kdykoli smazat v Nastavení nebo odinstalováním aplikace.</source>
        <translation>Settings, shelves, workflows, watched folders and history are stored locally on your computer. You can delete all of it at any time in Settings or by uninstalling the app.</translation>
    </message>
    <message>
        <source>Přístup k souborům a oznámení</source>
        <translation>File Access and Notifications</translation>
    </message>
    <message>
        <source>Aplikace vidí jen soubory a složky, které jí sám předáš. Oznámení používá jen k hlášení dokončené automatické práce a můžeš je vypnout v Nastavení systému.</source>
        <translation>The app sees only the files and folders you hand it. It uses notifications only to report finished automatic work, and you can turn them off in your system settings.</translation>
    </message>
    <message>
        <source>Kontrola nových verzí</source>
        <translation>Checking for New Versions</translation>
    </message>
    <message>
        <source>Jednou denně si aplikace stáhne z %@ malý soubor s číslem nejnovější verze. Nic o tobě ani o tvých souborech neposílá, server vidí jen běžné údaje o spojení (IP adresu a verzi aplikace). Kontrolu vypneš v Nastavení → O aplikaci.</source>
        <translation>Once a day the app downloads a small file with the latest version number from %@. It sends nothing about you or your files; the server sees only the usual connection details (your IP address and the app version). You can turn the check off in Settings → About.</translation>
    </message>
    <message>
        <source>Změny zásad</source>
        <translation>Changes to This Policy</translation>
    </message>
    <message>
        <source>Pokud se zásady změní, nová verze bude vždy k dispozici přímo v aplikaci.</source>
        <translation>If this policy changes, the new version will always be available right in the app.</translation>
    </message>
    <message>
        <source>Zásady ochrany soukromí</source>
        <translation>Privacy Policy</translation>
    </message>
    <message>
        <source>Export</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>Zkratky</source>
        <translation>Shortcuts</translation>
    </message>
    <message>
        <source>O aplikaci</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Obecné</source>
        <translation>General</translation>
    </message>
    <message>
        <source>Menší soubor</source>
        <translation>Smaller file</translation>
    </message>
    <message>
        <source>Vyšší kvalita</source>
        <translation>Higher quality</translation>
    </message>
    <message>
        <source>Historie je prázdná</source>
        <translation>History is empty</translation>
    </message>
    <message>
        <source>Všechno, co ve Kelvaro vytvoříš, se objeví tady.</source>
        <translation>Everything you create in Kelvaro shows up here.</translation>
    </message>
    <message>
        <source>Nic jsem nenašel.</source>
        <translation>Nothing found.</translation>
    </message>
    <message>
        <source>Hledat soubor nebo akci</source>
        <translation>Search files or actions</translation>
    </message>
    <message>
        <source>Vymazat historii</source>
        <translation>Clear History</translation>
    </message>
    <message>
        <source>Vymazat celou historii?</source>
        <translation>Clear the whole history?</translation>
    </message>
    <message>
        <source>Vymazat</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Soubory na disku zůstanou, smaže se jen přehled.</source>
        <translation>Your files stay on disk; only the list is cleared.</translation>
    </message>
    <message>
        <source>Vše</source>
        <translation>All</translation>
    </message>
    <message>
        <source>Ruční</source>
        <translation>Manual</translation>
    </message>
    <message>
        <source>akcí celkem</source>
        <translation>actions in total</translation>
    </message>
    <message>
        <source>dnes</source>
        <translation>today</translation>
    </message>
    <message>
        <source>ušetřeno</source>
        <translation>saved</translation>
    </message>
    <message>
        <source>Ukázat ve správci souborů</source>
        <translation>Show in File Manager</translation>
    </message>
    <message>
        <source>Použít znovu v kole</source>
        <translation>Use Again in the Wheel</translation>
    </message>
    <message>
        <source>Soubor už není na původním místě.</source>
        <translation>The file is no longer where it was.</translation>
    </message>
    <message>
        <source>Další možnosti</source>
        <translation>More options</translation>
    </message>
    <message>
        <source>Zatím žádné police</source>
        <translation>No shelves yet</translation>
    </message>
    <message>
        <source>Odkládej fotky na police a vracej se k nim, kdykoli budeš chtít.</source>
        <translation>Put photos aside on shelves and come back to them whenever you like.</translation>
    </message>
    <message>
        <source>Načíst do kola</source>
        <translation>Load into Wheel</translation>
    </message>
    <message>
        <source>Další</source>
        <translation>More</translation>
    </message>
    <message>
        <source>Upravit, otevřít složku nebo smazat polici</source>
        <translation>Edit the shelf, open its folder or delete it</translation>
    </message>
    <message>
        <source>Vytvořit novou prázdnou polici</source>
        <translation>Create a new empty shelf</translation>
    </message>
    <message>
        <source>Upravit polici…</source>
        <translation>Edit Shelf…</translation>
    </message>
    <message>
        <source>Smazat polici…</source>
        <translation>Delete Shelf…</translation>
    </message>
    <message>
        <source>%@ na polici</source>
        <translation>%@ on the shelf</translation>
    </message>
    <message>
        <source>Tohle je ukázková police. Přetáhni fotky a zvol „Na polici“, aby se tu objevily tvoje soubory.</source>
        <translation>This is a sample shelf. Drop photos and choose “Add to Shelf” to see your own files here.</translation>
    </message>
    <message>
        <source>Polička je prázdná. Přetáhni fotky a zvol „Na polici“.</source>
        <translation>This shelf is empty. Drop photos and choose “Add to Shelf”.</translation>
    </message>
    <message>
        <source>Otevřít složku ve správci souborů</source>
        <translation>Open Folder in File Manager</translation>
    </message>
    <message>
        <source>Vytvořit</source>
        <translation>Create</translation>
    </message>
    <message>
        <source>Název</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Název police</source>
        <translation>Shelf name</translation>
    </message>
    <message>
        <source>Smazat polici „%@“?</source>
        <translation>Delete the shelf “%@”?</translation>
    </message>
    <message>
        <source>Smazat</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Smažou se i kopie souborů uložené na polici. Původní soubory na disku zůstanou.</source>
        <translation>The copies of files kept on the shelf are deleted too. The original files stay on disk.</translation>
    </message>
    <message>
        <source>Přesunout na jinou polici</source>
        <translation>Move to another shelf</translation>
    </message>
    <message>
        <source>Odebrat z police</source>
        <translation>Remove from the shelf</translation>
    </message>
    <message>
        <source>Upravit polici</source>
        <translation>Edit Shelf</translation>
    </message>
    <message>
        <source>Uložit</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Police s tímto názvem už existuje.</source>
        <translation>A shelf with this name already exists.</translation>
    </message>
    <message>
        <source>Barva</source>
        <translation>Color</translation>
    </message>
    <message>
        <source>Ikona</source>
        <translation>Icon</translation>
    </message>
    <message>
        <source>Barva %lld</source>
        <translation>Color %lld</translation>
    </message>
    <message>
        <source>Změnit velikost</source>
        <translation>Resize</translation>
    </message>
    <message>
        <source>Procenta</source>
        <translation>Percent</translation>
    </message>
    <message>
        <source>Delší strana</source>
        <translation>Long edge</translation>
    </message>
    <message>
        <source>Způsob</source>
        <translation>Method</translation>
    </message>
    <message>
        <source>Delší strana fotky bude %lld px, poměr stran zůstane.</source>
        <translation>The photo’s longer side will be %lld px; the aspect ratio stays the same.</translation>
    </message>
    <message>
        <source>Kvalita</source>
        <translation>Quality</translation>
    </message>
    <message>
        <source>Kvalita exportu</source>
        <translation>Export Quality</translation>
    </message>
    <message>
        <source>Kolem 85–90 % nepoznáš rozdíl od originálu a soubor bude výrazně menší.</source>
        <translation>At around 85–90% you won’t see a difference from the original, and the file will be much smaller.</translation>
    </message>
    <message>
        <source>JPEG</source>
        <translation>JPEG</translation>
    </message>
    <message>
        <source>Nejrozšířenější formát, hodí se pro sdílení.</source>
        <translation>The most widespread format, good for sharing.</translation>
    </message>
    <message>
        <source>Formát Applu, zhruba poloviční velikost při stejné kvalitě.</source>
        <translation>Apple’s format, about half the size at the same quality.</translation>
    </message>
    <message>
        <source>Soukromí na fotkách</source>
        <translation>Privacy in Photos</translation>
    </message>
    <message>
        <source>Skrytí obličejů</source>
        <translation>Hiding faces</translation>
    </message>
    <message>
        <source>Jak nástroj Obličeje zakryje tváře.</source>
        <translation>How the Faces tool covers faces.</translation>
    </message>
    <message>
        <source>Jazyk</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>Jazyk aplikace</source>
        <translation>App language</translation>
    </message>
    <message>
        <source>Okno i menu se přepnou hned, standardní dialogy po restartu.</source>
        <translation>Windows and menus switch at once; standard dialogs after a restart.</translation>
    </message>
    <message>
        <source>Podle systému</source>
        <translation>Same as system</translation>
    </message>
    <message>
        <source>Restartovat</source>
        <translation>Restart</translation>
    </message>
    <message>
        <source>Kelvaro se nepodařilo znovu spustit. Zavři ho a otevři znovu sám.</source>
        <translation>Kelvaro couldn’t restart. Quit it and open it again yourself.</translation>
    </message>
    <message>
        <source>Restartuj Kelvaro, aby se přeložily i standardní dialogy a formáty čísel.</source>
        <translation>Restart Kelvaro to switch standard dialogs and number formats too.</translation>
    </message>
    <message>
        <source>Složka pro výsledky</source>
        <translation>Results Folder</translation>
    </message>
    <message>
        <source>Hotové soubory se ukládají sem. Originály zůstávají vždy nedotčené.</source>
        <translation>Finished files are saved here. Your originals always stay untouched.</translation>
    </message>
    <message>
        <source>Zatím nevybrána</source>
        <translation>Not chosen yet</translation>
    </message>
    <message>
        <source>Vyber, kam se mají ukládat hotové fotky.</source>
        <translation>Choose where finished photos are saved.</translation>
    </message>
    <message>
        <source>Změnit…</source>
        <translation>Change…</translation>
    </message>
    <message>
        <source>Zapomenout složku</source>
        <translation>Forget Folder</translation>
    </message>
    <message>
        <source>Další volby složky</source>
        <translation>More folder options</translation>
    </message>
    <message>
        <source>Po dokončení</source>
        <translation>After Finishing</translation>
    </message>
    <message>
        <source>Popisné názvy souborů</source>
        <translation>Descriptive file names</translation>
    </message>
    <message>
        <source>Ke jménu přidá, co se s fotkou stalo, třeba „dovolená komprese.jpg“.</source>
        <translation>Adds what happened to the photo to its name, like “holiday compressed.jpg”.</translation>
    </message>
    <message>
        <source>Ukázat výsledek ve správci souborů</source>
        <translation>Show results in the file manager</translation>
    </message>
    <message>
        <source>Po každé akci otevře složku s hotovými soubory.</source>
        <translation>Opens the folder with the finished files after every action.</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>Data</translation>
    </message>
    <message>
        <source>Ukázková data</source>
        <translation>Sample data</translation>
    </message>
    <message>
        <source>Vymyšlené statistiky a police na úvodní obrazovce. Tvoje soubory zůstanou.</source>
        <translation>Made-up statistics and shelves on the home screen. Your files stay.</translation>
    </message>
    <message>
        <source>Uvítání</source>
        <translation>Welcome</translation>
    </message>
    <message>
        <source>Znovu ukáže úvodní průvodce v hlavním okně.</source>
        <translation>Shows the welcome guide in the main window again.</translation>
    </message>
    <message>
        <source>Vymazat…</source>
        <translation>Clear…</translation>
    </message>
    <message>
        <source>Vymazat ukázková data?</source>
        <translation>Clear the sample data?</translation>
    </message>
    <message>
        <source>Přeskočit</source>
        <translation>Skip</translation>
    </message>
    <message>
        <source>Zpět</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>Vítej ve Kelvaro</source>
        <translation>Welcome to Kelvaro</translation>
    </message>
    <message>
        <source>Přetáhni fotky do kola a vyber, co s nimi chceš udělat: převést formát, zmenšit je, odstranit pozadí nebo z nich vytáhnout text.</source>
        <translation>Drop photos on the wheel and choose what to do with them: convert the format, shrink them, remove the background or pull out their text.</translation>
    </message>
    <message>
        <source>Tři kola, tři zkratky</source>
        <translation>Three wheels, three shortcuts</translation>
    </message>
    <message>
        <source>Samotný Shift, Shift+Alt nebo Ctrl přepne kolo. Soubor můžeš pustit rovnou na výseč.</source>
        <translation>Shift, Shift+Alt or Ctrl on its own switches the wheel. You can drop a file straight onto a slice.</translation>
    </message>
    <message>
        <source>Kam ukládat výsledky?</source>
        <translation>Where should results go?</translation>
    </message>
    <message>
        <source>Originály zůstanou nedotčené. Výsledky půjdou do jedné složky, kterou si aplikace zapamatuje.</source>
        <translation>Your originals stay untouched. Results go into one folder that the app remembers.</translation>
    </message>
    <message>
        <source>Začít</source>
        <translation>Get Started</translation>
    </message>
    <message>
        <source>Dál</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>Zatím nevybráno</source>
        <translation>Nothing chosen yet</translation>
    </message>
    <message>
        <source>Změnit složku…</source>
        <translation>Change Folder…</translation>
    </message>
    <message>
        <source>Vybrat složku…</source>
        <translation>Choose Folder…</translation>
    </message>
    <message>
        <source>Výsledek se uloží jako JPG. Nižší kvalita znamená menší soubor.</source>
        <translation>The result is saved as a JPG. Lower quality means a smaller file.</translation>
    </message>
    <message>
        <source>Oříznout</source>
        <translation>Crop</translation>
    </message>
    <message>
        <source>Poměr stran</source>
        <translation>Aspect ratio</translation>
    </message>
    <message>
        <source>Vodorovně</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>Svisle</source>
        <translation>Vertical</translation>
    </message>
    <message>
        <source>Přejmenovat kopie</source>
        <translation>Rename Copies</translation>
    </message>
    <message>
        <source>Nový název (prázdné = původní)</source>
        <translation>New name (empty = original)</translation>
    </message>
    <message>
        <source>Číslovat soubory</source>
        <translation>Number the files</translation>
    </message>
    <message>
        <source>Začít od %lld</source>
        <translation>Start at %lld</translation>
    </message>
    <message>
        <source>Přejmenované kopie se uloží do tvé složky s výsledky, originály zůstanou beze změny.</source>
        <translation>The renamed copies are saved to your results folder; the originals stay unchanged.</translation>
    </message>
    <message>
        <source>…nebo vytvoř novou polici</source>
        <translation>…or create a new shelf</translation>
    </message>
    <message>
        <source>Odložit</source>
        <translation>Add</translation>
    </message>
    <message>
        <source> (kopie)</source>
        <translation> (copy)</translation>
    </message>
    <message>
        <source>%lld</source>
        <translation>%lld</translation>
    </message>
    <message>
        <source>Posunout výš</source>
        <translation>Move up</translation>
    </message>
    <message>
        <source>Posunout níž</source>
        <translation>Move down</translation>
    </message>
    <message>
        <source>Odebrat krok</source>
        <translation>Remove step</translation>
    </message>
    <message>
        <source>Vystřihne hlavní objekt. Výsledek je s průhledným pozadím.</source>
        <translation>Cuts out the main subject. The result has a transparent background.</translation>
    </message>
    <message>
        <source>Rozpozná obličeje a skryje je stylem z Nastavení (rozmazání, pixelizace nebo zakrytí).</source>
        <translation>Finds faces and hides them in the style chosen in Settings (blur, pixelate or cover).</translation>
    </message>
    <message>
        <source>Jas</source>
        <translation>Brightness</translation>
    </message>
    <message>
        <source>Kontrast</source>
        <translation>Contrast</translation>
    </message>
    <message>
        <source>Černobíle</source>
        <translation>Black and white</translation>
    </message>
    <message>
        <source>%lld px</source>
        <translation>%lld px</translation>
    </message>
    <message>
        <source>Menší fotky se nezvětšují.</source>
        <translation>Smaller photos are not enlarged.</translation>
    </message>
    <message>
        <source>Text vodoznaku</source>
        <translation>Watermark text</translation>
    </message>
    <message>
        <source>Umístění</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>Průhlednost</source>
        <translation>Opacity</translation>
    </message>
    <message>
        <source>Rozměr</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>Nový postup</source>
        <translation>New Workflow</translation>
    </message>
    <message>
        <source>Upravit postup</source>
        <translation>Edit Workflow</translation>
    </message>
    <message>
        <source>Uložit postup</source>
        <translation>Save Workflow</translation>
    </message>
    <message>
        <source>Název (např. Portfolio)</source>
        <translation>Name (e.g. Portfolio)</translation>
    </message>
    <message>
        <source>Kroky</source>
        <translation>Steps</translation>
    </message>
    <message>
        <source>Přidat krok</source>
        <translation>Add Step</translation>
    </message>
    <message>
        <source>Přidej aspoň jeden krok. Provedou se shora dolů.</source>
        <translation>Add at least one step. Steps run from top to bottom.</translation>
    </message>
    <message>
        <source>Výsledek</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>Formát</source>
        <translation>Format</translation>
    </message>
    <message>
        <source>Zachovat původní</source>
        <translation>Keep original</translation>
    </message>
    <message>
        <source>Smazat metadata a polohu</source>
        <translation>Remove metadata and location</translation>
    </message>
    <message>
        <source>Originály se nemění. Výsledky se uloží do výstupní složky.</source>
        <translation>Originals are never changed. Results are saved to the output folder.</translation>
    </message>
    <message>
        <source>Další akce</source>
        <translation>More actions</translation>
    </message>
    <message>
        <source>Upravit…</source>
        <translation>Edit…</translation>
    </message>
    <message>
        <source>Duplikovat</source>
        <translation>Duplicate</translation>
    </message>
    <message>
        <source>Smazat…</source>
        <translation>Delete…</translation>
    </message>
    <message>
        <source>Postup nemá žádné kroky.</source>
        <translation>This workflow has no steps.</translation>
    </message>
    <message>
        <source>%lld. %@</source>
        <translation>%lld. %@</translation>
    </message>
    <message>
        <source>Spustit</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>Nejdřív přetáhni nebo vyber fotky</source>
        <translation>Drag in or choose photos first</translation>
    </message>
    <message>
        <source>Spustit na %@</source>
        <translation>Run on %@</translation>
    </message>
    <message>
        <source>Použít postup na všechny fotky ve frontě</source>
        <translation>Apply the workflow to every photo in the queue</translation>
    </message>
    <message>
        <source>Vyprázdnit</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Vybrat fotky…</source>
        <translation>Choose Photos…</translation>
    </message>
    <message>
        <source>Žádné fotky ve frontě</source>
        <translation>No photos in the queue</translation>
    </message>
    <message>
        <source>Ve frontě: %@</source>
        <translation>In the queue: %@</translation>
    </message>
    <message>
        <source>Pusť fotky sem</source>
        <translation>Drop the photos here</translation>
    </message>
    <message>
        <source>Přetáhni sem fotky nebo je vyber. Postup se spustí na všechny.</source>
        <translation>Drag photos here or choose them. The workflow runs on all of them.</translation>
    </message>
    <message>
        <source>Sestavit nový postup z kroků</source>
        <translation>Build a new workflow from steps</translation>
    </message>
    <message>
        <source>Smazat postup „%@“?</source>
        <translation>Delete the workflow “%@”?</translation>
    </message>
    <message>
        <source>Postup je řetězec kroků, třeba úpravy, zmenšení a vodoznak. Sestavíš ho jednou a pak ho spustíš na celou dávku fotek jedním klikem.</source>
        <translation>A workflow is a chain of steps, such as adjustments, resizing and a watermark. Build it once, then run it on a whole batch of photos with one click.</translation>
    </message>
    <message>
        <source>Uložené postupy se nepodařilo přečíst, proto je nechávám beze změny.</source>
        <translation>The saved workflows could not be read, so they are left unchanged.</translation>
    </message>
    <message>
        <source>Zatím žádný postup</source>
        <translation>No workflows yet</translation>
    </message>
    <message>
        <source>Vytvoř první postup tlačítkem Nový postup nahoře. Třeba „zmenšit, přidat vodoznak a uložit jako JPG“.</source>
        <translation>Create your first workflow with the New Workflow button above. For example “resize, add a watermark and save as JPG”.</translation>
    </message>
    <message>
        <source>Uložené postupy</source>
        <translation>Saved Workflows</translation>
    </message>
    <message>
        <source>Fotky ani výsledky se nemažou. Zmizí jen uložený postup.</source>
        <translation>No photos or results are deleted. Only the saved workflow goes away.</translation>
    </message>
    <message>
        <source>Části aplikace</source>
        <translation>Around the App</translation>
    </message>
    <message>
        <source>Co najdeš v postranním panelu a okolo</source>
        <translation>What you find in the sidebar and beyond</translation>
    </message>
    <message>
        <source>Výsledky a soukromí</source>
        <translation>Results and Privacy</translation>
    </message>
    <message>
        <source>Kam se co ukládá a co s tím můžeš dělat</source>
        <translation>Where things are saved and what you can do with them</translation>
    </message>
    <message>
        <source>NÁPOVĚDA</source>
        <translation>HELP</translation>
    </message>
    <message>
        <source>Co všechno Kelvaro umí</source>
        <translation>Everything Kelvaro Can Do</translation>
    </message>
    <message>
        <source>Krátké vysvětlení každé funkce. Stejné popisky uvidíš i pod kolem, když najedeš na výseč.</source>
        <translation>A short explanation of every feature. You see the same descriptions under the wheel when you point at a slice.</translation>
    </message>
    <message>
        <source>Jak to funguje</source>
        <translation>How It Works</translation>
    </message>
    <message>
        <source>Tři kroky od souboru k výsledku</source>
        <translation>Three steps from file to result</translation>
    </message>
    <message>
        <source>Vyzkoušet</source>
        <translation>Try It</translation>
    </message>
    <message>
        <source>Kolo %@</source>
        <translation>%@ Wheel</translation>
    </message>
    <message>
        <source>Otevřít kolo</source>
        <translation>Open Wheel</translation>
    </message>
    <message>
        <source>Změní formát souboru, obsah zůstává</source>
        <translation>Changes the file format, keeps the content</translation>
    </message>
    <message>
        <source>Upraví obsah fotky</source>
        <translation>Edits what is in the photo</translation>
    </message>
    <message>
        <source>Pracuje se soubory jako celkem</source>
        <translation>Works with files as a whole</translation>
    </message>
    <message>
        <source>Klávesové zkratky</source>
        <translation>Keyboard Shortcuts</translation>
    </message>
    <message>
        <source>Rychlejší práce bez myši</source>
        <translation>Work faster without the mouse</translation>
    </message>
    <message>
        <source>Přetáhni soubory</source>
        <translation>Drop your files</translation>
    </message>
    <message>
        <source>Hoď fotky, PDF nebo celou složku do kola na Domů nebo do okénka, které otevře ikona na panelu, případně použij Ctrl+O. Složky se rozbalí na jednotlivé soubory. Další fotky přidáš tlačítkem „Přidat“ nebo je přetáhni na kartu – připojí se k výběru.</source>
        <translation>Drop photos, PDFs or a whole folder on the wheel in Home or on the small window that the panel icon opens, or press Ctrl+O. Folders are opened up into their files. To add more photos, click “Add” or drag them onto the card – they join the selection.</translation>
    </message>
    <message>
        <source>Vyber kolo</source>
        <translation>Pick a wheel</translation>
    </message>
    <message>
        <source>Tři kola: Převést mění formát, Nástroje upravují obsah, Akce pracují se soubory. Přepínáš je tlačítky nad kolem, zkratkami Ctrl+1–3 nebo podržením Shift, Shift+Alt či Ctrl, když je okno Kelvaro aktivní.</source>
        <translation>Three wheels: Convert changes the format, Tools edit the content, Actions work with the files. Switch between them with the buttons above the wheel, with Ctrl+1–3, or by holding Shift, Shift+Alt or Ctrl while a Kelvaro window is active.</translation>
    </message>
    <message>
        <source>Klikni na výseč</source>
        <translation>Click a slice</translation>
    </message>
    <message>
        <source>Najeď na výseč a klikni. Některé akce se nejdřív zeptají na nastavení. Výsledky se uloží do výstupní složky, originály zůstávají nedotčené.</source>
        <translation>Point at a slice and click. Some actions first ask for their settings. Results are saved to your output folder; the originals stay untouched.</translation>
    </message>
    <message>
        <source>Kolo pro ruční práci, přehled statistik, aktivita za poslední týden, police a nedávno vytvořené výsledky.</source>
        <translation>The wheel for hands-on work, your statistics, last week’s activity, your shelves and your latest results.</translation>
    </message>
    <message>
        <source>Řetězec kroků, třeba úpravy, zmenšení, vodoznak a uložení jako JPG. Sestavíš ho jednou a spustíš na celou dávku fotek. Najdeš ho i v Rychlých předvolbách u kola a můžeš ho dát hlídat sledované složce.</source>
        <translation>A chain of steps, such as adjust, resize, watermark and save as JPG. Build it once and run it on a whole batch of photos. It also appears in Quick Presets next to the wheel, and a watched folder can run it for you.</translation>
    </message>
    <message>
        <source>Vyber složku a postup. Každou novou fotku, která do složky přistane, Kelvaro sám zpracuje a výsledek uloží do podsložky Automaticky ve výstupní složce. Originály zůstávají. Dokud má Kelvaro ikonu na panelu, běží to i se zavřeným oknem.</source>
        <translation>Choose a folder and a workflow. Kelvaro processes every new photo that lands in the folder and saves the result in the “Automaticky” subfolder of your output folder. The originals stay put. As long as Kelvaro has its icon on the panel, this works even with the window closed.</translation>
    </message>
    <message>
        <source>Místo na odložené fotky. Klikem soubor vybereš a mezerníkem otevřeš rychlý náhled. Z police fotky otevřeš, ukážeš ve správci souborů nebo pošleš zpět do kola.</source>
        <translation>A place for photos you set aside. Click a file to select it and press Space for a quick preview. From a shelf you can open photos, show them in the file manager or send them back to the wheel.</translation>
    </message>
    <message>
        <source>Seznam všeho, co aplikace vytvořila, s náhledem a filtrem Ruční / Automaticky. Mezerník otevře rychlý náhled výsledku, šipkami se posouváš. Z každého záznamu výsledek otevřeš, ukážeš ve správci souborů nebo vrátíš do kola.</source>
        <translation>Everything the app has made, with previews and a Manual / Automatic filter. Space opens a quick preview of a result and the arrow keys move through the list. From any entry you can open the result, show it in the file manager or bring it back to the wheel.</translation>
    </message>
    <message>
        <source>Ikona na panelu</source>
        <translation>Panel icon</translation>
    </message>
    <message>
        <source>Kelvaro má ikonu i na panelu. Klikni na ni a pusť fotky do okénka, které se otevře; na ikonu samotnou je pustit nejde. Otevře se kolo s akcemi.</source>
        <translation>Kelvaro also has an icon on the panel. Click it and drop photos on the small window that opens – photos cannot be dropped on the icon itself. The action wheel opens.</translation>
    </message>
    <message>
        <source>Správce souborů</source>
        <translation>File manager</translation>
    </message>
    <message>
        <source>Pravým klikem na fotku ve správci souborů zvol Otevřít v aplikaci › Kelvaro nebo akci Poslat do Kelvaro. Soubory skočí rovnou do kola.</source>
        <translation>Right-click a photo in your file manager and choose Open With › Kelvaro or the Send to Kelvaro action. The files go straight to the wheel.</translation>
    </message>
    <message>
        <source>Jazyk, výstupní složka, kvalita JPEG a HEIC, skrytí obličejů a smazání ukázkových dat. Otevřeš přes Ctrl+,.</source>
        <translation>Language, output folder, JPEG and HEIC quality, how faces are hidden, and removing the sample data. Open them with Ctrl+,.</translation>
    </message>
    <message>
        <source>Všechny výsledky jdou do jedné složky, kterou si vybereš při prvním použití. Změnit ji můžeš v Nastavení. Tlačítko v liště okna ji otevře ve správci souborů.</source>
        <translation>All results go to one folder that you choose the first time. You can change it in Settings. The button in the window’s toolbar opens it in the file manager.</translation>
    </message>
    <message>
        <source>Po úpravě si můžeš originál a výsledek prohlédnout vedle sebe s posuvníkem.</source>
        <translation>After an edit, look at the original and the result side by side with a slider.</translation>
    </message>
    <message>
        <source>Poslední akci vrátíš zpět: výsledky se přesunou do koše a přesunuté originály se vrátí na místo.</source>
        <translation>Undo your last action: its results go to the trash and moved originals return to where they were.</translation>
    </message>
    <message>
        <source>Přetáhnout dál</source>
        <translation>Drag onward</translation>
    </message>
    <message>
        <source>Hotové soubory se objeví v pásu pod kolem. Můžeš je odtud rovnou přetáhnout do správce souborů, e-mailu nebo jiné aplikace.</source>
        <translation>Finished files appear in the strip below the wheel. Drag them from there straight into the file manager, an email or another app.</translation>
    </message>
    <message>
        <source>Průběh na panelu</source>
        <translation>Progress on the panel</translation>
    </message>
    <message>
        <source>Když zpracováváš víc fotek najednou, ikona Kelvaro na panelu ukazuje průběh. Mezitím můžeš pracovat jinde; po dokončení si Kelvaro řekne o pozornost.</source>
        <translation>When you process many photos at once, Kelvaro’s icon on the panel shows the progress. Meanwhile you can work elsewhere; when it is done, Kelvaro asks for your attention.</translation>
    </message>
    <message>
        <source>Soukromí</source>
        <translation>Privacy</translation>
    </message>
    <message>
        <source>Všechno se děje v tvém počítači. Žádný účet, žádné nahrávání na server; rozpoznávání textu, obličejů i pozadí běží lokálně.</source>
        <translation>Everything happens on your computer. No account, no uploads to a server; text, face and background recognition all run locally.</translation>
    </message>
    <message>
        <source>Kolo Převést</source>
        <translation>Convert wheel</translation>
    </message>
    <message>
        <source>Kolo Nástroje</source>
        <translation>Tools wheel</translation>
    </message>
    <message>
        <source>Kolo Akce</source>
        <translation>Actions wheel</translation>
    </message>
    <message>
        <source>Vybrat soubory do kola</source>
        <translation>Choose files for the wheel</translation>
    </message>
    <message>
        <source>Podržením přepne na Převést</source>
        <translation>Hold to switch to Convert</translation>
    </message>
    <message>
        <source>Podržením přepne na Nástroje</source>
        <translation>Hold to switch to Tools</translation>
    </message>
    <message>
        <source>Podržením přepne na Akce</source>
        <translation>Hold to switch to Actions</translation>
    </message>
    <message>
        <source>Mezerník</source>
        <translation>Space</translation>
    </message>
    <message>
        <source>Rychlý náhled v Policích a Historii</source>
        <translation>Quick preview in Shelves and History</translation>
    </message>
    <message>
        <source>Posun výběru v Policích a Historii</source>
        <translation>Move the selection in Shelves and History</translation>
    </message>
    <message>
        <source>Převede fotky do JPG, nejrozšířenějšího formátu. Hodí se pro web, e-mail a všude, kde záleží na malé velikosti.</source>
        <translation>Converts photos to JPG, the most widely used format. Good for the web, email and anywhere small files matter.</translation>
    </message>
    <message>
        <source>Uloží obraz bez ztráty kvality a zachová průhlednost. Ideální pro grafiku, snímky obrazovky a výřezy bez pozadí.</source>
        <translation>Saves the image without any loss of quality and keeps transparency. Ideal for graphics, screenshots and cut-outs without a background.</translation>
    </message>
    <message>
        <source>Moderní formát z iPhonu: podobná kvalita jako JPG při zhruba poloviční velikosti. Kvalitu nastavíš v Nastavení.</source>
        <translation>The modern format from the iPhone: quality like JPG at about half the size. Set the quality in Settings.</translation>
    </message>
    <message>
        <source>Bezztrátový formát pro tisk a archivaci. Soubory jsou velké, ale nic se v nich neztratí.</source>
        <translation>A lossless format for printing and archiving. The files are large, but nothing is lost.</translation>
    </message>
    <message>
        <source>Spojí všechny vybrané fotky do jednoho PDF, každá fotka je jedna stránka. Pořadí odpovídá pořadí v pásu nad kolem.</source>
        <translation>Combines all selected photos into one PDF, one photo per page, in the order of the strip above the wheel.</translation>
    </message>
    <message>
        <source>Zabalí vybrané soubory do jednoho archivu ZIP, který snadno pošleš nebo zálohuješ.</source>
        <translation>Packs the selected files into one ZIP archive that is easy to send or back up.</translation>
    </message>
    <message>
        <source>Ořízne fotky na zvolený poměr stran (1:1, 4:5, 16:9…) nebo rovnou na formát pro Instagram či YouTube. Výřez se bere ze středu.</source>
        <translation>Crops photos to the aspect ratio you choose (1:1, 4:5, 16:9…) or straight to an Instagram or YouTube format. The crop is taken from the center.</translation>
    </message>
    <message>
        <source>Změní velikost fotek procentem nebo na zadanou délku delší strany. Poměr stran zůstává.</source>
        <translation>Resizes photos by a percentage or to a given long edge. The aspect ratio stays the same.</translation>
    </message>
    <message>
        <source>Zmenší velikost souboru při zachování dojmu z fotky. Kolik místa jsi ušetřil, uvidíš hned u výsledku i v Historii.</source>
        <translation>Makes the file smaller while the photo looks the same. You see how much space you saved right next to the result and in History.</translation>
    </message>
    <message>
        <source>Rozpozná hlavní objekt a odstraní pozadí. Výsledek je PNG s průhledností. Nejlépe funguje u lidí, zvířat a výrazných předmětů.</source>
        <translation>Finds the main subject and removes the background. The result is a PNG with transparency. Works best with people, animals and distinct objects.</translation>
    </message>
    <message>
        <source>Otočí, zrcadlí nebo převrátí fotky a upraví jas, kontrast či převede do černobílé. Změny vidíš hned v živém náhledu; podržením myši na náhledu porovnáš s originálem.</source>
        <translation>Rotates, mirrors or flips photos and adjusts brightness and contrast or turns them black and white. You see the changes at once in a live preview; press and hold on the preview to compare with the original.</translation>
    </message>
    <message>
        <source>Najde obličeje a skryje je měkkým rozmazáním v oválu (v Nastavení lze přepnout na pixelizaci nebo zakrytí). Hodí se pro sdílení fotek z akcí, kde chceš chránit soukromí lidí.</source>
        <translation>Finds faces and hides them with a soft oval blur (Settings can switch this to pixelation or a solid cover). Handy for sharing photos from events where you want to protect people’s privacy.</translation>
    </message>
    <message>
        <source>Přečte text z obrázku a zkopíruje ho do schránky. Rozpozná i QR kódy a čárové kódy a jejich obsah připojí k textu.</source>
        <translation>Reads the text in an image and copies it to the clipboard. It also recognizes QR codes and barcodes and adds what they contain to the text.</translation>
    </message>
    <message>
        <source>Najde ve fotce dokument, narovná perspektivu a zvýší kontrast, aby vypadal jako sken. Všechny strany uloží do jednoho PDF.</source>
        <translation>Finds a document in the photo, straightens the perspective and raises the contrast so it looks scanned. All pages go into one PDF.</translation>
    </message>
    <message>
        <source>Přidá přes fotku text nebo vlastní logo. Nastavíš umístění, velikost a průhlednost a výsledek vidíš v živém náhledu ještě před použitím.</source>
        <translation>Puts text or your own logo over the photo. Set the position, size and opacity and see the result in a live preview before you apply it.</translation>
    </message>
    <message>
        <source>Odloží fotky na polici, kde na ně najdeš rychle cestu později. Police najdeš v postranním panelu a jejich obsah i ve výstupní složce.</source>
        <translation>Puts photos on a shelf so you can quickly get back to them later. Shelves are in the sidebar, and their contents are in your output folder too.</translation>
    </message>
    <message>
        <source>Pošle fotky přes KDE Connect do telefonu, tabletu nebo jiného počítače, který máš spárovaný.</source>
        <translation>Sends photos over KDE Connect to a phone, tablet or another computer you have paired.</translation>
    </message>
    <message>
        <source>Přesune originály do složky, kterou vybereš. Jediná akce, která hýbe s originály; dá se vrátit tlačítkem Vrátit.</source>
        <translation>Moves the originals to a folder you choose. The only action that touches your originals; Undo puts them back.</translation>
    </message>
    <message>
        <source>Hromadně přejmenuje soubory podle zadaného vzoru s číslováním, například „Dovolená 01, 02, 03…“.</source>
        <translation>Renames files in bulk from a pattern with numbering, for example “Holiday 01, 02, 03…”.</translation>
    </message>
    <message>
        <source>Smaže z fotek EXIF údaje: polohu GPS, typ fotoaparátu, datum a další. Bezpečné sdílení bez stop.</source>
        <translation>Removes EXIF data from photos: GPS location, camera model, date and more. Share safely without leaving traces.</translation>
    </message>
    <message>
        <source>Zkopíruje do schránky samotné soubory (vložíš je Ctrl+V do správce souborů nebo e-mailu), jejich úplné cesty, nebo jen názvy. Hodí se do zpráv, terminálu i skriptů.</source>
        <translation>Copies the files themselves to the clipboard (paste them with Ctrl+V into the file manager or an email), their full paths, or just their names. Handy for messages, the terminal and scripts.</translation>
    </message>
    <message>
        <source>Použít logo místo textu…</source>
        <translation>Use a Logo Instead…</translation>
    </message>
    <message>
        <source>Změnit logo…</source>
        <translation>Change Logo…</translation>
    </message>
    <message>
        <source>Odebrat</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Doleva</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>Doprava</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>Zrcadlit</source>
        <translation>Mirror</translation>
    </message>
    <message>
        <source>Převrátit</source>
        <translation>Flip</translation>
    </message>
    <message>
        <source>%lld°</source>
        <translation>%lld°</translation>
    </message>
    <message>
        <source>Obnovit původní stav</source>
        <translation>Reset to Original</translation>
    </message>
    <message>
        <source>Předvolba</source>
        <translation>Preset</translation>
    </message>
    <message>
        <source>Vycentrovat</source>
        <translation>Center</translation>
    </message>
    <message>
        <source>Výsledek: %ld×%ld px. Výřez posuneš přetažením.</source>
        <translation>Result: %ld×%ld px. Drag to move the crop.</translation>
    </message>
    <message>
        <source>Stejná poloha se použije pro všech %ld fotek.</source>
        <translation>The same position is used for all %ld photos.</translation>
    </message>
    <message>
        <source>Cestování 2026</source>
        <translation>Travel 2026</translation>
    </message>
    <message>
        <source>Na Instagram</source>
        <translation>For Instagram</translation>
    </message>
    <message>
        <source>K tisku</source>
        <translation>To print</translation>
    </message>
    <message>
        <source>Snímky obrazovky</source>
        <translation>Screenshots</translation>
    </message>
    <message>
        <source>Pro klienty</source>
        <translation>For clients</translation>
    </message>
    <message>
        <source>Předvolby</source>
        <translation>Presets</translation>
    </message>
    <message>
        <source>Zachovat</source>
        <translation>Keep</translation>
    </message>
    <message>
        <source>Nová předvolba</source>
        <translation>New Preset</translation>
    </message>
    <message>
        <source>Přidat předvolbu</source>
        <translation>Add Preset</translation>
    </message>
    <message>
        <source>Smazat předvolbu</source>
        <translation>Delete preset</translation>
    </message>
    <message>
        <source>Zatím tu nic není. Vytvoř první předvolbu níže.</source>
        <translation>Nothing here yet. Create your first preset below.</translation>
    </message>
    <message>
        <source>Uložené předvolby se nepodařilo přečíst, proto je nechávám beze změny.</source>
        <translation>The saved presets could not be read, so they are left unchanged.</translation>
    </message>
    <message>
        <source>Rychlé předvolby</source>
        <translation>Quick Presets</translation>
    </message>
    <message>
        <source>Spravovat vlastní předvolby</source>
        <translation>Manage your presets</translation>
    </message>
    <message>
        <source>Spravovat postupy…</source>
        <translation>Manage Workflows…</translation>
    </message>
    <message>
        <source>Moje</source>
        <translation>My Presets</translation>
    </message>
    <message>
        <source>%ld z %ld právě běží</source>
        <translation>%ld of %ld running</translation>
    </message>
    <message>
        <source>Automatizace</source>
        <translation>Automation</translation>
    </message>
    <message>
        <source>Bez složky pro výsledky to nepůjde.</source>
        <translation>Kelvaro needs a results folder to do this.</translation>
    </message>
    <message>
        <source>Co udělat s každým novým obrázkem?</source>
        <translation>What should happen to each new image?</translation>
    </message>
    <message>
        <source>Další nápady</source>
        <translation>More Ideas</translation>
    </message>
    <message>
        <source>Doporučeno</source>
        <translation>Suggested</translation>
    </message>
    <message>
        <source>Hlídané složky</source>
        <translation>Watched Folders</translation>
    </message>
    <message>
        <source>Hlídám</source>
        <translation>Watching</translation>
    </message>
    <message>
        <source>Hoď fotku do složky. Zbytek udělá Kelvaro.</source>
        <translation>Drop a photo in a folder. Kelvaro does the rest.</translation>
    </message>
    <message>
        <source>Klepni na nápad a jen vyber složku, kterou má Kelvaro hlídat</source>
        <translation>Click an idea and just choose the folder Kelvaro should watch</translation>
    </message>
    <message>
        <source>Kterou složku hlídat?</source>
        <translation>Which folder should Kelvaro watch?</translation>
    </message>
    <message>
        <source>Moje postupy</source>
        <translation>My Workflows</translation>
    </message>
    <message>
        <source>Moje předvolby</source>
        <translation>My Presets</translation>
    </message>
    <message>
        <source>Nedostupná</source>
        <translation>Unavailable</translation>
    </message>
    <message>
        <source>Nová hlídaná složka</source>
        <translation>New Watched Folder</translation>
    </message>
    <message>
        <source>Nové obrázky se zpracují samy.</source>
        <translation>New images are processed automatically.</translation>
    </message>
    <message>
        <source>Nový soubor</source>
        <translation>New file</translation>
    </message>
    <message>
        <source>Originály se nikdy nemění. Kelvaro se tě zeptá, kam výsledky ukládat.</source>
        <translation>Originals are never changed. Kelvaro will ask you where to save the results.</translation>
    </message>
    <message>
        <source>Originály se nikdy nemění. Výsledky se ukládají do „%@“.</source>
        <translation>Originals are never changed. Results are saved to “%@”.</translation>
    </message>
    <message>
        <source>Otevřít sledovanou složku</source>
        <translation>Open Watched Folder</translation>
    </message>
    <message>
        <source>Postup</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>Pozastaveno</source>
        <translation>Paused</translation>
    </message>
    <message>
        <source>Přestat sledovat</source>
        <translation>Stop Watching</translation>
    </message>
    <message>
        <source>Přidat složku</source>
        <translation>Add Folder</translation>
    </message>
    <message>
        <source>Rychlé úpravy</source>
        <translation>Quick Actions</translation>
    </message>
    <message>
        <source>Sledovat</source>
        <translation>Watch</translation>
    </message>
    <message>
        <source>Složku se nepodařilo zapamatovat. Zkus ji vybrat znovu.</source>
        <translation>Kelvaro couldn’t remember the folder. Try choosing it again.</translation>
    </message>
    <message>
        <source>Tuhle složku s tímto postupem už hlídám.</source>
        <translation>This folder is already watched with this action.</translation>
    </message>
    <message>
        <source>Tvůj postup</source>
        <translation>Your action</translation>
    </message>
    <message>
        <source>Ukázat výsledky</source>
        <translation>Show Results</translation>
    </message>
    <message>
        <source>Upozornit po zpracování</source>
        <translation>Notify when done</translation>
    </message>
    <message>
        <source>Vyber složku a postup. Každý nový obrázek se sám zmenší, převede nebo vyčistí a výsledek najdeš ve složce pro výsledky. Originály zůstávají nedotčené.</source>
        <translation>Choose a folder and an action. Every new image is resized, converted or cleaned up on its own, and you’ll find the result in your results folder. Originals stay untouched.</translation>
    </message>
    <message>
        <source>Vyber složku, kterou má Kelvaro hlídat.</source>
        <translation>Choose the folder Kelvaro should watch.</translation>
    </message>
    <message>
        <source>Zatím nic nevybráno</source>
        <translation>Nothing chosen yet</translation>
    </message>
    <message>
        <source>Začni nápadem</source>
        <translation>Start with an Idea</translation>
    </message>
    <message>
        <source>Začít sledovat</source>
        <translation>Start Watching</translation>
    </message>
    <message>
        <source>Začít sledovat novou složku</source>
        <translation>Start watching a new folder</translation>
    </message>
    <message>
        <source>Zpracovat i stávající soubory</source>
        <translation>Process Existing Files</translation>
    </message>
    <message>
        <source>Zpracováno: %lld</source>
        <translation>Processed: %lld</translation>
    </message>
    <message>
        <source>Zpracovávám…</source>
        <translation>Processing…</translation>
    </message>
    <message>
        <source>naposledy %@</source>
        <translation>last run %@</translation>
    </message>
    <message>
        <source>Ořez %@</source>
        <translation>Crop %@</translation>
    </message>
    <message>
        <source>Ořez 4:5</source>
        <translation>Crop 4:5</translation>
    </message>
    <message>
        <source>Soubor „%@“ se nepodařilo zobrazit – žádný správce souborů neodpověděl.</source>
        <translation>The file “%@” could not be shown – no file manager responded.</translation>
    </message>
    <message>
        <source>Soubory se nepodařilo zobrazit – žádný správce souborů neodpověděl.</source>
        <translation>The files could not be shown – no file manager responded.</translation>
    </message>
    <message>
        <source>Složku „%@“ se nepodařilo zobrazit – žádný správce souborů neodpověděl.</source>
        <translation>The folder “%@” could not be shown – no file manager responded.</translation>
    </message>
    <message>
        <source>Soubor „%@“ se nepodařilo otevřít – žádná aplikace neodpověděla.</source>
        <translation>The file “%@” could not be opened – no application responded.</translation>
    </message>
    <message>
        <source>na disku není místo</source>
        <translation>the disk is full</translation>
    </message>
    <message>
        <source>je vyčerpaná kvóta disku</source>
        <translation>the disk quota is used up</translation>
    </message>
    <message>
        <source>disk je jen pro čtení</source>
        <translation>the disk is read-only</translation>
    </message>
    <message>
        <source>chybí oprávnění k zápisu</source>
        <translation>there is no permission to write</translation>
    </message>
    <message>
        <source>disk hlásí chybu čtení nebo zápisu</source>
        <translation>the disk reports a read or write error</translation>
    </message>
    <message>
        <source>soubor právě používá jiný program</source>
        <translation>another program is using the file</translation>
    </message>
    <message>
        <source>Nastavení a historii se nepodařilo uložit: %@. Uložená verze zůstala beze změny.</source>
        <translation>The settings and history could not be saved: %@. The saved version is unchanged.</translation>
    </message>
    <message>
        <source>Uložená nastavení a historii se nepodařilo přečíst, proto je nechávám beze změny v souboru „%@“.</source>
        <translation>The saved settings and history could not be read, so they are left unchanged in the file “%@”.</translation>
    </message>
    <message>
        <source>Uložené hlídané složky se nepodařilo přečíst, proto je nechávám beze změny a další nepřidám.</source>
        <translation>The saved watched folders could not be read, so they are left unchanged and no more are added.</translation>
    </message>
    <message>
        <source>Složku nemůžu hlídat, protože se hlídané složky nepodařilo uložit: %@.</source>
        <translation>The folder cannot be watched because the watched folders could not be saved: %@.</translation>
    </message>
    <message>
        <source>Uložené hlídané složky se nepodařilo přečíst, proto je nechávám beze změny.</source>
        <translation>The saved watched folders could not be read, so they are left unchanged.</translation>
    </message>
    <message>
        <source>Uloženou historii se nepodařilo přečíst, proto ji nechávám beze změny.</source>
        <translation>The saved history could not be read, so it is left unchanged.</translation>
    </message>
    <message>
        <source>Uloženou historii se nepodařilo přečíst, proto ji nechávám beze změny v souboru „%@“.</source>
        <translation>The saved history could not be read, so it is left unchanged in the file “%@”.</translation>
    </message>
    <message>
        <source>Uložené police se nepodařilo přečíst, proto je nechávám beze změny.</source>
        <translation>The saved shelves could not be read, so they are left unchanged.</translation>
    </message>
    <message>
        <source>Uložené police se nepodařilo přečíst, proto je nechávám beze změny a další nepřidám.</source>
        <translation>The saved shelves could not be read, so they are left unchanged and no more are added.</translation>
    </message>
    <message>
        <source>Police se nepodařilo uložit.</source>
        <translation>The shelves could not be saved.</translation>
    </message>
    <message>
        <source>Historii se nepodařilo uložit.</source>
        <translation>The history could not be saved.</translation>
    </message>
    <message>
        <source>Historii neukládám, protože uloženou se nepodařilo přečíst.</source>
        <translation>The history is not kept: the saved one could not be read.</translation>
    </message>
    <message>
        <source>Předvolbu se zatím nepodařilo uložit: %@.</source>
        <translation>The preset could not be saved yet: %@.</translation>
    </message>
    <message>
        <source>Uložené police se nepodařilo přečíst, proto je nechávám beze změny v souboru „%@“.</source>
        <translation>The saved shelves could not be read, so they are left unchanged in the file “%@”.</translation>
    </message>
</context>
</TS>
