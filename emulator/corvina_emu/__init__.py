"""Corvina device emulator: an iPhone as the libimobiledevice tools see it.

The package speaks the usbmuxd protocol on a local socket and, behind it, the
device services the tools use (lockdownd, AFC, installation_proxy,
notification_proxy, springboardservices, mobilebackup2). It uses the Python
standard library only.
"""
