<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>Corvina</name>
    <message>
        <source>IOS Backup Restore</source>
        <translation>iOS Backup &amp; Restore</translation>
    </message>
    <message>
        <source>iTunes Driver Load Failed</source>
        <translation>iTunes Driver Load Failed</translation>
    </message>
    <message>
        <source>Can't load iTunes Driver, Please install iTunes first!</source>
        <translation>Can't load iTunes Driver, Please install iTunes first!</translation>
    </message>
</context>
<context>
    <name>CorvinaClass</name>
    <message>
        <source>IOS Backup Restore</source>
        <translation>iOS Backup &amp; Restore</translation>
    </message>
    <message>
        <source>Corvina</source>
        <translation>Corvina</translation>
    </message>
</context>
</TS>
