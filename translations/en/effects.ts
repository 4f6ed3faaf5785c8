<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="cs_CZ">
<context>
    <name>Kelvaro</name>
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
        <translation>Use</translation>
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
</context>
</TS>
