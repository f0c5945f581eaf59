"""App archives (.ipa): a zip with Payload/<Name>.app/Info.plist."""

import io
import plistlib
import re
import zipfile

from .content import pseudo_random_bytes


class ArchiveError(ValueError):
    pass


def build_ipa(bundle_id, version=None, display_name=None, executable=None, payload_size=4096):
    """Returns the bytes of an installable archive for the app.

    ideviceinstaller reads CFBundleIdentifier and CFBundleExecutable from the
    app's Info.plist and the optional iTunesMetadata.plist at the top level.
    """
    executable = executable or bundle_id.split(".")[-1] or "App"
    info = {"CFBundleIdentifier": bundle_id, "CFBundleExecutable": executable,
            "CFBundleName": display_name or executable, "CFBundlePackageType": "APPL"}
    if version is not None:
        info["CFBundleVersion"] = version
        info["CFBundleShortVersionString"] = version
    if display_name is not None:
        info["CFBundleDisplayName"] = display_name
    metadata = {"softwareVersionBundleId": bundle_id, "itemName": display_name or bundle_id,
                "bundleVersion": version or ""}
    app_dir = "Payload/%s.app/" % executable
    binary = pseudo_random_bytes(bundle_id, payload_size)
    stream = io.BytesIO()
    with zipfile.ZipFile(stream, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("iTunesMetadata.plist", plistlib.dumps(metadata))
        archive.writestr(app_dir + "Info.plist", plistlib.dumps(info, fmt=plistlib.FMT_BINARY))
        archive.writestr(app_dir + executable, binary)
        archive.writestr(app_dir + "SC_Info/%s.sinf" % executable, pseudo_random_bytes(bundle_id + ".sinf", 256))
    return stream.getvalue()


def read_app_info(data):
    """Returns the Info.plist dictionary of an archive's app, as the device
    does when it installs a package; raises ArchiveError for a bad package."""
    try:
        with zipfile.ZipFile(io.BytesIO(data)) as archive:
            names = archive.namelist()
            info_name = next((n for n in names if re.fullmatch(r"Payload/[^/.][^/]*\.app/Info\.plist", n)), None)
            if info_name is None:
                raise ArchiveError("no Payload/*.app/Info.plist in the package")
            info = plistlib.loads(archive.read(info_name))
    except (zipfile.BadZipFile, plistlib.InvalidFileException, ValueError) as error:
        raise ArchiveError(str(error)) from error
    if not isinstance(info, dict) or not info.get("CFBundleIdentifier"):
        raise ArchiveError("the app has no CFBundleIdentifier")
    return info
