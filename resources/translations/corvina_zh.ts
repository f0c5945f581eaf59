<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Corvina</name>
    <message>
        <source>IOS Backup Restore</source>
        <translation>iOS 备份还原</translation>
    </message>
    <message>
        <source>iTunes Driver Load Failed</source>
        <translation>驱动加载失败</translation>
    </message>
    <message>
        <source>Can't load iTunes Driver, Please install iTunes first!</source>
        <translation>无法加载 iTunes 驱动，请先安装 iTunes！</translation>
    </message>
</context>
<context>
    <name>CorvinaClass</name>
    <message>
        <source>IOS Backup Restore</source>
        <translation>iOS 备份还原</translation>
    </message>
    <message>
        <source>Corvina</source>
        <translation>Corvina 备份还原</translation>
    </message>
</context>
</TS>
