// Everything the foundation library offers, in one include.
#pragma once

#include "CorvaneCore/CRC32.h"
#include "CorvaneCore/CJString.h"
#include "CorvaneCore/File.h"
#include "CorvaneCore/FileBuf.h"
#include "CorvaneCore/FileUtils.h"
#include "CorvaneCore/LocalizedText.h"
#include "CorvaneCore/MemFileBuf.h"
#include "CorvaneCore/MemoryPool.h"
#include "CorvaneCore/Rand.h"
#include "CorvaneCore/TextHelpers.h"
#include "CorvaneCore/ZipArchive.h"
#include "CorvaneCore/ZipArchiveTree.h"
#include "CorvaneCore/ZipArchiveWriter.h"
#include "CorvaneCore/ZLibCompressor.h"
#include "CorvaneCore/ZipFileBuf.h"
