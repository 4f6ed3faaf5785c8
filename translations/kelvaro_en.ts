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
</context>
</TS>
