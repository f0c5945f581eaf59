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
<context>
    <name>dialogBackupSelect</name>
    <message>
        <source>Backup Select</source>
        <translation>选择备份</translation>
    </message>
    <message>
        <source>Select Backup</source>
        <translation>选择备份</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>日期</translation>
    </message>
    <message>
        <source>Device Name</source>
        <translation>设备名称</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Select Backup Directory</source>
        <translation>选择备份</translation>
    </message>
</context>
<context>
    <name>widgetBackupRestoreStatus</name>
    <message>
        <source>Home</source>
        <translation>首页</translation>
    </message>
    <message>
        <source>Pls connect the device first before backup and restore.</source>
        <translation>请先连接设备，再进行备份和恢复。</translation>
    </message>
    <message>
        <source>Backup</source>
        <translation>备份</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>恢复</translation>
    </message>
</context>
<context>
    <name>widgetPrepareProgressResult</name>
    <message>
        <source>Backup and Restore</source>
        <translation>备份与恢复</translation>
    </message>
    <message>
        <source>Select the device to operate :</source>
        <translation>选择设备：</translation>
    </message>
    <message>
        <source>Backuping...</source>
        <translation>正在备份...</translation>
    </message>
    <message>
        <source>Pls keep the device connected</source>
        <translation>请保持设备连接</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Congratulations!</source>
        <translation>恭喜，操作成功！</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Failed, Pls confirm is the device connected ?</source>
        <translation>操作失败，请确认设备是否已连接。</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>重试</translation>
    </message>
    <message>
        <source>Use this backup</source>
        <translation>从此文件夹中的备份恢复</translation>
    </message>
    <message>
        <source>Backup Directory :</source>
        <translation>备份文件夹：</translation>
    </message>
    <message>
        <source>Other Directory</source>
        <translation>更改文件夹</translation>
    </message>
    <message>
        <source>Important Personal Data</source>
        <translation>重要个人数据</translation>
    </message>
    <message>
        <source>Photo</source>
        <translation>照片</translation>
    </message>
    <message>
        <source>Contacts</source>
        <translation>通讯录</translation>
    </message>
    <message>
        <source>Music</source>
        <translation>音乐</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>视频</translation>
    </message>
    <message>
        <source>SMS</source>
        <translation>短信</translation>
    </message>
    <message>
        <source>App</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>Game/App (Data Included)</source>
        <translation>游戏和应用（含数据）</translation>
    </message>
    <message>
        <source>Restore</source>
        <translation>恢复</translation>
    </message>
    <message>
        <source>Seletect the item will be backuped</source>
        <translation>选择要备份的内容</translation>
    </message>
    <message>
        <source>Backup</source>
        <translation>备份</translation>
    </message>
    <message>
        <source>PeloraBackup</source>
        <translation>PeloraBackup</translation>
    </message>
    <message>
        <source>Open Directory</source>
        <translation>选择文件夹</translation>
    </message>
    <message>
        <source>Prompt</source>
        <translation>提示</translation>
    </message>
    <message>
        <source>The directory you select is not bakcup directory, pls select again!.
</source>
        <translation>所选文件夹不是备份，请重新选择。
</translation>
    </message>
    <message>
        <source>Restoring...</source>
        <translation>正在恢复...</translation>
    </message>
    <message>
        <source>Backing up...</source>
        <translation>正在备份...</translation>
    </message>
    <message>
        <source>Warning: %d apps restore failed!</source>
        <translation>警告：%d 个应用未能恢复！</translation>
    </message>
    <message>
        <source>Warning: %d apps backup failed!</source>
        <translation>警告：%d 个应用未能备份！</translation>
    </message>
</context>
</TS>
