# SPDX-License-Identifier: MIT
"""Compose and parse vexal messages with libvexal.

Everything here is the C++ library's own behaviour, reached through the
extension module vexal._vexal: Part and Message hold the library's objects,
parse and Reader run its parsers, and vexal.Error carries its error texts.
"""
from ._vexal import Compression, Error, Format, Limits, Message, Part, Reader, __version__, parse

__all__ = [
    "Compression", "Error", "Format", "Limits", "Message", "Part", "Reader", "__version__", "parse",
]
