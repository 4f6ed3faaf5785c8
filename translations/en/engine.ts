<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="cs_CZ">
<context>
    <name>Kelvaro</name>
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
</context>
</TS>
