"""installation_proxy: list, install, archive and remove apps.

Each command is answered by a series of status dictionaries ending with
Status "Complete", or by one carrying "Error" (and, for most errors,
"ErrorDescription" and "ErrorDetail").
"""

import time

from .apparchive import ArchiveError, build_ipa, read_app_info
from .framing import ConnectionClosed, PlistService

ARCHIVE_DIR = "ApplicationArchives"
INSTALL_STEPS = [
    ("CreatingStagingDirectory", 5), ("ExtractingPackage", 15), ("InspectingPackage", 20),
    ("TakingInstallLock", 20), ("PreflightingApplication", 30), ("VerifyingApplication", 40),
    ("CreatingContainer", 50), ("InstallingApplication", 60), ("PostflightingApplication", 70),
    ("SandboxingApplication", 80), ("GeneratingApplicationMap", 90),
]
ARCHIVE_STEPS = [("TakingInstallLock", 0), ("ArchivingApplication", 30), ("ArchivingApplication", 60),
                 ("ArchivingApplication", 90)]
VERIFICATION_FAILURE = (
    "ApplicationVerificationFailed", 0xE8008015,
    "Failed to verify code signature of %s : 0xe8008015 "
    "(A valid provisioning profile for this executable was not found.)")


def app_attributes(app):
    attributes = {"CFBundleIdentifier": app.bundle_id, "ApplicationType": "User",
                  "CFBundleExecutable": app.executable,
                  "Path": "/private/var/containers/Bundle/Application/%s/%s.app" % (
                      app.bundle_id.upper(), app.executable),
                  "StaticDiskUsage": 4096, "DynamicDiskUsage": 8192}
    if app.version is not None:
        attributes["CFBundleVersion"] = app.version
        attributes["CFBundleShortVersionString"] = app.version
    if app.display_name is not None:
        attributes["CFBundleDisplayName"] = app.display_name
    return attributes


def select_attributes(attributes, options):
    wanted = options.get("ReturnAttributes") if isinstance(options, dict) else None
    if not wanted:
        return attributes
    return {key: value for key, value in attributes.items() if key in wanted}


class InstallationProxy(PlistService):
    def handle(self, command):
        if isinstance(command, dict):
            self.perform(command)
        return True

    def perform(self, command):
        name = command.get("Command")
        handler = {
            "Browse": self.browse,
            "Lookup": self.lookup,
            "Install": self.install,
            "Upgrade": self.install,
            "Uninstall": self.uninstall,
            "Archive": self.archive,
            "RemoveArchive": self.remove_archive,
            "LookupArchives": self.lookup_archives,
        }.get(name)
        if handler is None:
            self.channel.send({"Error": "UnknownCommand"})
        else:
            handler(command)

    # -- helpers -----------------------------------------------------------------

    def progress(self, steps):
        for status, percent in steps:
            self.channel.send({"Status": status, "PercentComplete": percent})

    def complete(self, extra=None):
        reply = {"Status": "Complete"}
        reply.update(extra or {})
        self.channel.send(reply)

    def error(self, name, detail=None, description=None):
        reply = {"Error": name}
        if description is not None:
            reply["ErrorDescription"] = description
        if detail is not None:
            reply["ErrorDetail"] = detail
        self.channel.send(reply)

    # -- commands ----------------------------------------------------------------

    def browse(self, command):
        options = command.get("ClientOptions") or {}
        kind = options.get("ApplicationType", "Any")
        apps = [] if kind == "System" else list(self.device.apps)
        listed = [select_attributes(app_attributes(app), options) for app in apps]
        for start in range(0, len(listed), 4):
            chunk = listed[start:start + 4]
            self.channel.send({"Status": "BrowsingApplications", "Total": len(listed),
                               "CurrentIndex": start, "CurrentAmount": len(chunk), "CurrentList": chunk})
        self.complete()

    def lookup(self, command):
        options = command.get("ClientOptions") or {}
        wanted = options.get("BundleIDs")
        result = {app.bundle_id: select_attributes(app_attributes(app), options)
                  for app in self.device.apps if not wanted or app.bundle_id in wanted}
        self.complete({"LookupResult": result})

    def install(self, command):
        self.device.count("installs")
        path = str(command.get("PackagePath", ""))
        data = self.device.media.read(path)
        if data is None:
            self.error("PackageExtractionFailed", 0xE8000014, "Could not find package at %s" % path)
            return
        try:
            info = read_app_info(data)
        except ArchiveError as problem:
            self.error("PackageInspectionFailed", 0xE8000020, "Failed to inspect package: %s" % problem)
            return
        bundle_id = info["CFBundleIdentifier"]
        if self.device.fails_with("install_failure"):
            self.progress(INSTALL_STEPS[:6])
            name, detail, text = VERIFICATION_FAILURE
            self.device.note("install of %s refused" % bundle_id)
            self.error(name, detail, text % bundle_id)
            return
        if self.device.fails_with("unplug_during_install"):
            self.progress(INSTALL_STEPS[:5])
            # Half-way means a moment in: the host has started to watch for
            # the device going away, as it would during a real install.
            time.sleep(self.device.failure.delay or 1.0)
            self.device.note("unplugged while installing %s" % bundle_id)
            self.device.unplug()
            raise ConnectionClosed("unplugged")
        self.progress(INSTALL_STEPS)
        self.device.install_app(bundle_id, info.get("CFBundleVersion"), info.get("CFBundleDisplayName"),
                                info.get("CFBundleExecutable"))
        self.device.media.remove(path, recursive=True)
        self.device.note("installed %s" % bundle_id)
        self.complete()

    def uninstall(self, command):
        bundle_id = str(command.get("ApplicationIdentifier", ""))
        with self.device.lock:
            self.device.apps = [app for app in self.device.apps if app.bundle_id != bundle_id]
        self.progress([("RemovingApplication", 50), ("GeneratingApplicationMap", 90)])
        self.complete()

    def archive(self, command):
        self.device.count("archives")
        bundle_id = str(command.get("ApplicationIdentifier", ""))
        if not self.device.config.archive_supported:
            # iOS 7 and later no longer know the command at all.
            self.error("UnknownCommand")
            return
        app = self.device.find_app(bundle_id)
        if app is None:
            self.error("APIInternalError", 0xE8000001, "Could not find application %s" % bundle_id)
            return
        self.progress(ARCHIVE_STEPS)
        archive = build_ipa(app.bundle_id, app.version, app.display_name, app.executable)
        self.device.media.write_file("%s/%s.zip" % (ARCHIVE_DIR, bundle_id), archive)
        options = command.get("ClientOptions") or {}
        if not options.get("SkipUninstall", False):
            with self.device.lock:
                self.device.apps = [a for a in self.device.apps if a.bundle_id != bundle_id]
        self.device.note("archived %s" % bundle_id)
        self.complete()

    def remove_archive(self, command):
        bundle_id = str(command.get("ApplicationIdentifier", ""))
        if self.device.media.remove("%s/%s.zip" % (ARCHIVE_DIR, bundle_id)) != "ok":
            self.error("APIInternalError", 0xE8000001, "No archive for %s" % bundle_id)
            return
        self.progress([("RemovingArchive", 50)])
        self.complete()

    def lookup_archives(self, _command):
        names = self.device.media.list_dir(ARCHIVE_DIR) or []
        result = {}
        for name in names:
            if name.endswith(".zip"):
                bundle_id = name[:-4]
                app = self.device.find_app(bundle_id)
                result[bundle_id] = app_attributes(app) if app else {"CFBundleIdentifier": bundle_id}
        self.complete({"LookupResult": result})
