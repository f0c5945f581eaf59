<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>CCliSession</name>
    <message>
        <source>There is no folder %1.</source>
        <translation>没有文件夹 %1。</translation>
    </message>
    <message>
        <source>This backup did not finish and cannot be restored.</source>
        <translation>此备份未完成，无法恢复。</translation>
    </message>
    <message>
        <source>This backup is damaged (files are missing or its manifest cannot be read) and cannot be restored.</source>
        <translation>此备份已损坏（缺少文件或无法读取其清单），无法恢复。</translation>
    </message>
    <message>
        <source>%1 is not a Corvina backup set: it holds no BackupFlag.ini.</source>
        <translation>%1 不是 Corvina 备份：其中没有 BackupFlag.ini。</translation>
    </message>
    <message>
        <source>Corvina&apos;s driver library %1 cannot be loaded: %2</source>
        <translation>无法加载 Corvina 的驱动库 %1：%2</translation>
    </message>
    <message>
        <source>No device is connected.</source>
        <translation>没有连接设备。</translation>
    </message>
    <message>
        <source>No device is connected. Connect the device by USB, unlock it and trust this computer.</source>
        <translation>没有连接设备。请用 USB 连接设备，解锁并信任此电脑。</translation>
    </message>
    <message>
        <source>No connected device is called &quot;%1&quot;.</source>
        <translation>没有名为“%1”的已连接设备。</translation>
    </message>
    <message>
        <source>Several devices are connected; choose one with --device:</source>
        <translation>连接了多台设备；请用 --device 选择一台：</translation>
    </message>
    <message>
        <source>The disk of %1 has %2 free, and the device holds %3 of data: the backup would not fit. Free some space, or choose another folder with --to.</source>
        <translation>%1 所在磁盘剩余 %2，设备上有 %3 数据：备份放不下。请释放一些空间，或用 --to 选择其他文件夹。</translation>
    </message>
    <message>
        <source>Restoring replaces all the data on the device, and there is no terminal to ask on. Add --yes to restore without asking.</source>
        <translation>恢复会替换设备上的全部数据，而这里没有可以提问的终端。加上 --yes 即可不经询问直接恢复。</translation>
    </message>
    <message>
        <source>This backup was made from another device (%1).</source>
        <translation>此备份来自另一台设备（%1）。</translation>
    </message>
    <message>
        <source>Restoring replaces all the data on &quot;%1&quot; (%2) with the data of %3, and the device restarts at the end. Restore it? [y/N] </source>
        <translation>恢复会用 %3 的数据替换“%1”（%2）上的全部数据，结束时设备会重新启动。要恢复吗？[y/N] </translation>
    </message>
    <message>
        <source>y</source>
        <translation>是</translation>
    </message>
    <message>
        <source>Nothing was restored.</source>
        <translation>未恢复任何内容。</translation>
    </message>
    <message>
        <source>Restoring %1 onto &quot;%2&quot; (%3).</source>
        <translation>正在把 %1 恢复到“%2”（%3）。</translation>
    </message>
    <message>
        <source>Backing up &quot;%1&quot; (%2) into %3.</source>
        <translation>正在把“%1”（%2）备份到 %3。</translation>
    </message>
    <message>
        <source>Warning: %1 apps could not be saved.</source>
        <translation>警告：%1 个应用未能保存。</translation>
    </message>
    <message>
        <source>A restore is running: stopping it now leaves the device half restored, and it may not start properly until a restore finishes. Press Ctrl-C again to stop it anyway.</source>
        <translation>正在恢复：现在停止会让设备处于恢复了一半的状态，在完成一次恢复之前它可能无法正常启动。仍要停止请再按一次 Ctrl-C。</translation>
    </message>
    <message>
        <source>This backup is encrypted. Its password (the one chosen when backup encryption was turned on, not the device&apos;s passcode): </source>
        <translation>此备份已加密。请输入其密码（开启备份加密时设置的密码，不是设备的锁屏密码）：</translation>
    </message>
    <message>
        <source>No password was given. Nothing was restored.</source>
        <translation>未输入密码。未恢复任何内容。</translation>
    </message>
    <message>
        <source>The backup tool can pass on only passwords of at most 255 plain letters, digits, blanks and punctuation (ASCII), without accents or other scripts. Nothing was restored.</source>
        <translation>备份工具只能传递由最多 255 个普通字母、数字、空格和标点（ASCII）组成的密码，不能包含带重音的字母或其他文字。未恢复任何内容。</translation>
    </message>
</context>
<context>
    <name>CCommandLine</name>
    <message>
        <source>Unknown command &quot;%1&quot;.</source>
        <translation>未知命令“%1”。</translation>
    </message>
    <message>
        <source>The command %1 has no option %2.</source>
        <translation>命令 %1 没有选项 %2。</translation>
    </message>
    <message>
        <source>The option %1 needs a value.</source>
        <translation>选项 %1 需要一个值。</translation>
    </message>
    <message>
        <source>The option %1 takes no value.</source>
        <translation>选项 %1 不接受值。</translation>
    </message>
    <message>
        <source>The command %1 needs one backup set folder.</source>
        <translation>命令 %1 需要一个备份文件夹。</translation>
    </message>
    <message>
        <source>Too many arguments for the command %1.</source>
        <translation>命令 %1 的参数太多。</translation>
    </message>
    <message>
        <source>Usage: corvina [COMMAND [OPTIONS]]
Without a command Corvina opens its window.

Commands:
  devices [--json]                 the connected devices
  backup [--device UDID|NAME] [--to DIR] [--apps] [--full] [--json]
                                   back up a device&apos;s personal data (and with --apps its apps)
                                   into a new set in DIR (default: the window&apos;s backup folder)
  restore SET [--device UDID|NAME] [--yes] [--json]
                                   replace the device&apos;s data with the set&apos;s; asks first unless --yes
  list [DIR] [--json]              the backup sets in DIR: date, device, iOS, size, state, encryption
  verify SET [--json]              check every file of a set
  --help                           this text

--device may be left out when one device is connected. --json prints one JSON object per line.
Ctrl-C cancels a running backup.

Exit codes: 0 done, 1 failed (the cause on standard error), 2 wrong usage,
3 no such device or no device.
</source>
        <translation>用法：corvina [命令 [选项]]
不带命令时 Corvina 打开窗口。

命令：
  devices [--json]                 已连接的设备
  backup [--device UDID|名称] [--to 文件夹] [--apps] [--full] [--json]
                                   把设备的个人数据（加 --apps 时还有应用）备份到
                                   文件夹中的新备份（默认：窗口使用的备份文件夹）
  restore 备份 [--device UDID|名称] [--yes] [--json]
                                   用备份的数据替换设备的数据；不加 --yes 时先询问
  list [文件夹] [--json]           文件夹中的备份：日期、设备、iOS、大小、状态、加密
  verify 备份 [--json]             检查备份的每个文件
  --help                           本说明

只连接一台设备时可以省略 --device。--json 每行输出一个 JSON 对象。
Ctrl-C 取消正在进行的备份。

退出码：0 完成，1 失败（原因写在标准错误输出），2 用法错误，
3 没有该设备或没有设备。
</translation>
    </message>
    <message>
        <source>Try: corvina --help</source>
        <translation>请试试：corvina --help</translation>
    </message>
</context>
<context>
    <name>CConsoleReport</name>
    <message>
        <source>complete</source>
        <translation>完整</translation>
    </message>
    <message>
        <source>unfinished</source>
        <translation>未完成</translation>
    </message>
    <message>
        <source>damaged</source>
        <translation>已损坏</translation>
    </message>
    <message>
        <source>encrypted</source>
        <translation>已加密</translation>
    </message>
    <message>
        <source>%1: %2, %3 files, %4</source>
        <translation>%1：%2，%3 个文件，%4</translation>
    </message>
    <message>
        <source>%1 files are missing or not of their recorded size, among them: %2</source>
        <translation>%1 个文件缺失或大小与记录不符，其中有：%2</translation>
    </message>
    <message>
        <source>apps</source>
        <translation>应用</translation>
    </message>
    <message>
        <source>personal data</source>
        <translation>个人数据</translation>
    </message>
    <message>
        <source>Done: %1</source>
        <translation>完成：%1</translation>
    </message>
</context>
<context>
    <name>Corvina</name>
    <message>
        <source>IOS Backup Restore</source>
        <translation>iOS 备份恢复</translation>
    </message>
    <message>
        <source>iTunes Driver Load Failed</source>
        <translation>驱动加载失败</translation>
    </message>
    <message>
        <source>Can&apos;t load iTunes Driver, Please install iTunes first!</source>
        <translation>无法加载 iTunes 驱动，请先安装 iTunes！</translation>
    </message>
    <message>
        <source>Stop the restore?</source>
        <translation>停止恢复？</translation>
    </message>
    <message>
        <source>Cancel the backup?</source>
        <translation>取消备份？</translation>
    </message>
    <message>
        <source>A restore is running. Stop the restore and leave the device half restored? It may not start properly until a restore finishes.</source>
        <translation>正在恢复。要停止恢复，让设备只恢复了一半吗？在完成一次恢复之前，设备可能无法正常启动。</translation>
    </message>
    <message>
        <source>Stop the backup now? What was copied so far stays in its folder but cannot be restored.</source>
        <translation>现在停止备份吗？已复制的内容会保留在其文件夹中，但无法用于恢复。</translation>
    </message>
    <message>
        <source>Corvina&apos;s driver library %1 cannot be loaded: the libimobiledevice libraries it needs are missing. Install the package libimobiledevice6 (sudo apt install libimobiledevice6) and start Corvina again.</source>
        <translation>无法加载 Corvina 的驱动库 %1：缺少它所需的 libimobiledevice 库。请安装软件包 libimobiledevice6（sudo apt install libimobiledevice6），然后重新启动 Corvina。</translation>
    </message>
    <message>
        <source>Corvina&apos;s driver library %1 is missing or damaged in its program folder %2. Reinstall the Corvina package (sudo apt install --reinstall corvina).</source>
        <translation>程序文件夹 %2 中的 Corvina 驱动库 %1 缺失或已损坏。请重新安装 Corvina 软件包（sudo apt install --reinstall corvina）。</translation>
    </message>
    <message>
        <source>Device Driver Load Failed</source>
        <translation>设备驱动加载失败</translation>
    </message>
</context>
<context>
    <name>CorvinaClass</name>
    <message>
        <source>IOS Backup Restore</source>
        <translation>iOS 备份恢复</translation>
    </message>
    <message>
        <source>Corvina</source>
        <translation>Corvina 备份恢复</translation>
    </message>
</context>
<context>
    <name>dialogBackupPassword</name>
    <message>
        <source>Remember in the keyring</source>
        <translation>在密钥环中记住此密码</translation>
    </message>
    <message>
        <source>Keeps the password in the desktop&apos;s keyring for this device, so that it is filled in next time.</source>
        <translation>将此设备的备份密码保存在桌面的密钥环中，下次自动填入。</translation>
    </message>
    <message>
        <source>New password</source>
        <translation>新密码</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>密码</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>The new password again</source>
        <translation>再次输入新密码</translation>
    </message>
    <message>
        <source>The backup %1 is encrypted. Enter its password: the one chosen when backup encryption was turned on, not the device&apos;s passcode.</source>
        <translation>备份 %1 已加密。请输入其密码：即开启备份加密时设置的密码，不是设备的锁屏密码。</translation>
    </message>
    <message>
        <source>The password was wrong.</source>
        <translation>密码错误。</translation>
    </message>
    <message>
        <source>The backup tool can pass on only passwords of at most 255 plain letters, digits, blanks and punctuation (ASCII), without accents or other scripts.</source>
        <translation>备份工具只能传递由最多 255 个普通字母、数字、空格和标点（ASCII）组成的密码，不能包含带重音的字母或其他文字。</translation>
    </message>
    <message>
        <source>The two entries differ.</source>
        <translation>两次输入的密码不一致。</translation>
    </message>
</context>
<context>
    <name>dialogBackupSelect</name>
    <message>
        <source>iOS %1</source>
        <translation>iOS %1</translation>
    </message>
    <message>
        <source>complete</source>
        <translation>完整</translation>
    </message>
    <message>
        <source>unfinished</source>
        <translation>未完成</translation>
    </message>
    <message>
        <source>damaged</source>
        <translation>已损坏</translation>
    </message>
    <message>
        <source>checking...</source>
        <translation>正在检查……</translation>
    </message>
    <message>
        <source>This backup did not finish and cannot be restored. Choose another backup.</source>
        <translation>此备份未完成，无法恢复。请选择其他备份。</translation>
    </message>
    <message>
        <source>This backup is damaged (files are missing or its manifest cannot be read) and cannot be restored. Choose another backup.</source>
        <translation>此备份已损坏（文件缺失或清单无法读取），无法恢复。请选择其他备份。</translation>
    </message>
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
    <message>
        <source>Encrypted: restoring it asks for its password.</source>
        <translation>已加密：恢复时需要输入其密码。</translation>
    </message>
</context>
<context>
    <name>widgetBackupEncryption</name>
    <message>
        <source>Encrypt this device&apos;s backups</source>
        <translation>加密此设备的备份</translation>
    </message>
    <message>
        <source>Change password</source>
        <translation>更改密码</translation>
    </message>
    <message>
        <source>An encrypted backup also keeps saved passwords, Wi-Fi settings, call and browsing history and Health data. If the password is forgotten, nobody can recover it, and the encrypted backups cannot be restored.</source>
        <translation>加密的备份还会保存已存储的密码、无线局域网设置、通话和浏览记录以及健康数据。如果忘记密码，任何人都无法找回，加密的备份也将无法恢复。</translation>
    </message>
    <message>
        <source>Waiting for the device... If it asks for its passcode, enter it there.</source>
        <translation>正在等待设备……如果设备要求输入锁屏密码，请在设备上输入。</translation>
    </message>
    <message>
        <source>The device did not tell whether it encrypts its backups.</source>
        <translation>设备未告知是否加密其备份。</translation>
    </message>
    <message>
        <source>Encrypt backups</source>
        <translation>加密备份</translation>
    </message>
    <message>
        <source>Choose a password for this device&apos;s backups. Every backup of it is encrypted from now on, and restoring one needs this password. Nobody can recover it if it is forgotten.</source>
        <translation>为此设备的备份设置密码。从现在起，它的每个备份都会加密，恢复时需要此密码。忘记密码后任何人都无法找回。</translation>
    </message>
    <message>
        <source>Turn on</source>
        <translation>开启</translation>
    </message>
    <message>
        <source>Stop encrypting backups</source>
        <translation>停止加密备份</translation>
    </message>
    <message>
        <source>Enter the current backup password (the one chosen when encryption was turned on, not the device&apos;s passcode) to turn encryption off.</source>
        <translation>请输入当前的备份密码（开启加密时设置的密码，不是设备的锁屏密码）以关闭加密。</translation>
    </message>
    <message>
        <source>Turn off</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>Enter the current backup password (the one chosen when encryption was turned on, not the device&apos;s passcode).</source>
        <translation>请输入当前的备份密码（开启加密时设置的密码，不是设备的锁屏密码）。</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>下一步</translation>
    </message>
    <message>
        <source>Choose the new backup password.</source>
        <translation>请设置新的备份密码。</translation>
    </message>
    <message>
        <source>Change</source>
        <translation>更改</translation>
    </message>
    <message>
        <source>Backups of this device are encrypted now.</source>
        <translation>此设备的备份现在已加密。</translation>
    </message>
    <message>
        <source>Backups of this device are no longer encrypted.</source>
        <translation>此设备的备份已不再加密。</translation>
    </message>
    <message>
        <source>The backup password was changed.</source>
        <translation>备份密码已更改。</translation>
    </message>
    <message>
        <source>The device refused the current password and kept its setting. Enter the password chosen when encryption was turned on, not the device&apos;s passcode.</source>
        <translation>设备拒绝了当前密码，设置保持不变。请输入开启加密时设置的密码，不是设备的锁屏密码。</translation>
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
    <message>
        <source>The device service (usbmuxd) cannot be reached. It starts by itself when a device is plugged in; if yours is connected, start it with:
sudo systemctl start usbmuxd</source>
        <translation>无法连接设备服务 (usbmuxd)。插入设备时它会自动启动；如果设备已连接，请用以下命令启动它：
sudo systemctl start usbmuxd</translation>
    </message>
</context>
<context>
    <name>widgetPrepareProgressResult</name>
    <message>
        <source>Not enough space</source>
        <translation>空间不足</translation>
    </message>
    <message>
        <source>The backup will not fit: the disk of the backup folder has %1 free, and the device holds %2 of data. Choose another folder?</source>
        <translation>备份放不下：备份文件夹所在磁盘只剩 %1，而设备上有 %2 的数据。要选择其他文件夹吗？</translation>
    </message>
    <message>
        <source>Choose Another Folder</source>
        <translation>选择其他文件夹</translation>
    </message>
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
        <translation>正在备份……</translation>
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
        <translation>操作失败。</translation>
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
        <translation>信息</translation>
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
        <source>Copy only what changed since the last backup</source>
        <translation>仅复制上次备份后更改的内容</translation>
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
        <translation>正在恢复……</translation>
    </message>
    <message>
        <source>Backing up...</source>
        <translation>正在备份……</translation>
    </message>
    <message>
        <source>Warning: %d apps restore failed!</source>
        <translation>警告：%d 个应用未能恢复！</translation>
    </message>
    <message>
        <source>Warning: %d apps backup failed!</source>
        <translation>警告：%d 个应用未能备份！</translation>
    </message>
    <message>
        <source>If the device asks for its passcode, unlock it and enter the passcode there: the backup starts after that.</source>
        <translation>如果设备要求输入密码，请解锁设备并在设备上输入密码，备份随后才会开始。</translation>
    </message>
    <message>
        <source>There is not enough free space on this computer for the backup. Free some space on the disk of the backup folder and press Retry, or press &quot;%1&quot; and choose another folder with &quot;%2&quot;.</source>
        <translation>这台电脑的可用空间不足，无法完成备份。请清理备份文件夹所在磁盘的空间后点击“重试”，或点击“%1”并通过“%2”选择其他文件夹。</translation>
    </message>
    <message>
        <source>The device is locked or waited for its passcode. Unlock it, enter the passcode on the device when it asks, and press Retry.</source>
        <translation>设备已锁定或在等待输入密码。请解锁设备，在设备提示时输入密码，然后点击“重试”。</translation>
    </message>
    <message>
        <source>The device does not trust this computer yet. Unlock the device, tap &quot;Trust&quot; when it asks whether to trust this computer, and press Retry.</source>
        <translation>设备尚未信任这台电脑。请解锁设备，在询问是否信任此电脑时轻点“信任”，然后点击“重试”。</translation>
    </message>
    <message>
        <source>The device was told not to trust this computer. Unplug it and plug it in again, unlock it, tap &quot;Trust&quot; and press Retry.</source>
        <translation>设备已被设置为不信任这台电脑。请拔下设备后重新连接，解锁设备，轻点“信任”，然后点击“重试”。</translation>
    </message>
    <message>
        <source>The device was disconnected. Plug it in again, keep it unlocked and connected, and press Retry.</source>
        <translation>设备已断开连接。请重新连接设备，保持其解锁和连接状态，然后点击“重试”。</translation>
    </message>
    <message>
        <source>No device could be reached. Check the cable and that the device service (usbmuxd) is running, then press Retry.</source>
        <translation>无法连接到设备。请检查数据线，并确认设备服务 (usbmuxd) 正在运行，然后点击“重试”。</translation>
    </message>
    <message>
        <source>The program &quot;%1&quot; is missing. Install the package &quot;%2&quot; (sudo apt install %2) and press Retry.</source>
        <translation>缺少程序“%1”。请安装软件包“%2”（sudo apt install %2），然后点击“重试”。</translation>
    </message>
    <message>
        <source>The backup was cancelled. What was copied so far stays in its folder but cannot be restored; press Retry to back up again.</source>
        <translation>备份已取消。已复制的内容保留在其文件夹中，但无法用于恢复；点击“重试”可重新备份。</translation>
    </message>
    <message>
        <source>This backup is incomplete (it was cancelled or failed part-way) and cannot be restored. Choose another backup.</source>
        <translation>此备份不完整（曾被取消或中途失败），无法恢复。请选择其他备份。</translation>
    </message>
    <message>
        <source>This device no longer lets apps be saved as archives (iOS 7 and later do not). Your apps come back from the App Store; their data is in the personal data backup.</source>
        <translation>此设备已不允许将应用保存为安装包（iOS 7 及以后的版本均不支持）。应用可从 App Store 重新下载，应用数据已包含在个人数据备份中。</translation>
    </message>
    <message numerus="yes">
        <source>the backup on disk is incomplete: %n files missing or shorter than the device sent; check the disk and back up again</source>
        <translation>
            <numerusform>磁盘上的备份不完整：%n 个文件缺失或比设备发送的短；请检查磁盘后重新备份</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Saved: %n files, %1 in all, encrypted.</source>
        <translation>
            <numerusform>已保存：%n 个文件，共 %1，已加密。</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Saved: %n files, %1 in all, not encrypted.</source>
        <translation>
            <numerusform>已保存：%n 个文件，共 %1，未加密。</numerusform>
        </translation>
    </message>
    <message>
        <source>No app could be saved: this device does not let apps be copied (iOS 7 and later do not), so this backup holds nothing. Your apps&apos; data is kept with the personal data: press &quot;%1&quot;, tick &quot;%2&quot; and press Backup.</source>
        <translation>没有保存任何应用：此设备不允许复制应用（iOS 7 及以后的版本均不支持），因此本次备份没有任何内容。应用的数据随个人数据一起保存：请点击“%1”，勾选“%2”，然后点击“备份”。</translation>
    </message>
    <message>
        <source>This device has no apps to back up, so this backup holds nothing. Press &quot;%1&quot;, tick &quot;%2&quot; to back up the device&apos;s data, and press Backup.</source>
        <translation>此设备上没有可备份的应用，因此本次备份没有任何内容。请点击“%1”，勾选“%2”以备份设备的数据，然后点击“备份”。</translation>
    </message>
    <message>
        <source>Find My is on, and a device with Find My on cannot be restored. On the device, go to Settings &gt; your name &gt; Find My and turn off Find My iPhone (it asks for the Apple Account password), then press Retry.</source>
        <translation>设备开启了“查找”，开启“查找”的设备无法恢复。请在设备上前往“设置”&gt; 你的名字 &gt;“查找”，关闭“查找我的 iPhone”（需要输入 Apple 账户密码），然后点击“重试”。</translation>
    </message>
    <message>
        <source>Something went wrong. Press Retry; the log file holds the details.</source>
        <translation>操作出错。请点击“重试”；详细信息见日志文件。</translation>
    </message>
    <message>
        <source>Something went wrong. The tool said: %1</source>
        <translation>操作出错。工具提示：%1</translation>
    </message>
    <message>
        <source>Cancel the backup?</source>
        <translation>取消备份？</translation>
    </message>
    <message>
        <source>Stop the backup now? What was copied so far stays in its folder but cannot be restored.</source>
        <translation>现在停止备份吗？已复制的内容会保留在其文件夹中，但无法用于恢复。</translation>
    </message>
    <message>
        <source>The program doing the work stopped unexpectedly (signal %1). Unplug the device, plug it in again and press Retry.</source>
        <translation>执行操作的程序意外停止（信号 %1）。请拔下设备后重新连接，然后点击“重试”。</translation>
    </message>
    <message>
        <source>The backup folder cannot be written. Make room or permission there and press Retry, or press &quot;%1&quot; and choose another folder with &quot;%2&quot;.</source>
        <translation>无法写入备份文件夹。请为该文件夹腾出空间或授予写入权限后点击“重试”，或点击“%1”并通过“%2”选择其他文件夹。</translation>
    </message>
    <message>
        <source>Home</source>
        <translation>首页</translation>
    </message>
    <message>
        <source>Change the settings</source>
        <translation>更改设置</translation>
    </message>
    <message>
        <source>&quot;%1&quot; was disconnected while the backup was being chosen. Nothing was restored: connect it and press Restore again.</source>
        <translation>在选择备份时“%1”已断开连接。没有恢复任何内容：请连接设备后再次点击“恢复”。</translation>
    </message>
    <message>
        <source>Restore a backup of another device?</source>
        <translation>恢复另一台设备的备份？</translation>
    </message>
    <message>
        <source>This backup was made from &quot;%1&quot; (%2), not from &quot;%3&quot;. Restoring it replaces all the data on &quot;%3&quot; with the data of &quot;%1&quot;.

Restore it onto &quot;%3&quot;?</source>
        <translation>此备份来自“%1”（%2），而不是“%3”。恢复它会用“%1”的数据替换“%3”上的全部数据。

要将它恢复到“%3”吗？</translation>
    </message>
    <message>
        <source>Stopping the restore...</source>
        <translation>正在停止恢复……</translation>
    </message>
    <message>
        <source>Stopping the backup...</source>
        <translation>正在停止备份……</translation>
    </message>
    <message>
        <source>This backup holds no app archives (the device it came from did not allow them), so restoring only apps restores nothing. Press &quot;%1&quot;, tick &quot;%2&quot; and press Restore: the apps&apos; data comes back with it, and the apps come back from the App Store.</source>
        <translation>此备份不含应用安装包（备份来源设备不允许导出应用），因此只恢复应用不会恢复任何内容。请点击“%1”，勾选“%2”，然后点击“恢复”：应用的数据会随之恢复，应用本身可从 App Store 重新下载。</translation>
    </message>
    <message>
        <source>The personal data was restored. This backup holds no app archives (iOS 7 and later do not allow them): the apps come back from the App Store, and their data came back with the personal data.</source>
        <translation>个人数据已恢复。此备份不含应用安装包（iOS 7 及以后的版本不允许导出）：应用可从 App Store 重新下载，其数据已随个人数据一起恢复。</translation>
    </message>
    <message>
        <source>Open the backup folder</source>
        <translation>打开备份文件夹</translation>
    </message>
    <message>
        <source>Transferred from the device: %1 of the set&apos;s %2.</source>
        <translation>从设备传输了 %1，备份共 %2。</translation>
    </message>
    <message>
        <source>Restored from %1 onto &quot;%2&quot;.</source>
        <translation>已从 %1 恢复到“%2”。</translation>
    </message>
    <message>
        <source>Saved in %1, from &quot;%2&quot;.</source>
        <translation>保存在 %1，来自“%2”。</translation>
    </message>
    <message>
        <source>Another Corvina window or command is already backing up or restoring this device. Wait for it to end and press Retry.</source>
        <translation>另一个 Corvina 窗口或命令正在备份或恢复此设备。请等它结束后点击“重试”。</translation>
    </message>
    <message>
        <source>less than a minute</source>
        <translation>不到一分钟</translation>
    </message>
    <message>
        <source>%1 min</source>
        <translation>%1 分钟</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 小时 %2 分钟</translation>
    </message>
    <message>
        <source>%1 of %2 · about %3 left</source>
        <translation>%1 / %2 · 约剩 %3</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 / %2</translation>
    </message>
    <message>
        <source>%1 of %2 · less than a minute left</source>
        <translation>%1 / %2 · 剩余不到一分钟</translation>
    </message>
    <message>
        <source>Starting from the last backup...</source>
        <translation>正在从上次备份开始……</translation>
    </message>
    <message>
        <source>Less than a minute left</source>
        <translation>剩余不到一分钟</translation>
    </message>
    <message>
        <source>About %1 left</source>
        <translation>约剩 %1</translation>
    </message>
    <message>
        <source>This backup is encrypted and needs its password. Press Retry and enter the password that was chosen when encryption was turned on.</source>
        <translation>此备份已加密，需要密码。请点击“重试”，并输入开启加密时设置的密码。</translation>
    </message>
    <message>
        <source>The password is wrong. Enter the password that was chosen when backup encryption was turned on (not the device&apos;s passcode) and press Retry.</source>
        <translation>密码错误。请输入开启备份加密时设置的密码（不是设备的锁屏密码），然后点击“重试”。</translation>
    </message>
    <message>
        <source>Backup password</source>
        <translation>备份密码</translation>
    </message>
</context>
</TS>
