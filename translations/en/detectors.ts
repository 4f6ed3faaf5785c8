<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="cs_CZ">
<context>
    <name>Kelvaro</name>
    <message>
        <source>Nic se nepodařilo naskenovat.</source>
        <translation>Nothing could be scanned.</translation>
    </message>
</context>
</TS>
