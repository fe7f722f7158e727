#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QPair>
#include <QString>

#include "support/TestEnv.h"

#include <gtest/gtest.h>

// The saved web pages the download tests serve and read.

/** A saved page of tests/data/web, as the server would send it. A page that
 *  cannot be read fails the test. */
inline QByteArray WebPage(const QString& name)
{
    QFile f(TestEnv::dataFile(QStringLiteral("web/") + name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name.toStdString();
    return f.readAll();
}

/** The saved inputs of one fuzz corpus folder (e.g. "corpus_lists" under
 *  fuzz/), each as its file name and its text, so the tests can run the same
 *  readers over them. A file that cannot be read fails the test. */
inline QList<QPair<QString, QString>> FuzzSeeds(const char* corpus)
{
    QList<QPair<QString, QString>> seeds;
    const QDir dir(QStringLiteral(VELMORA_SOURCE_DIR "/fuzz/") + QString::fromLatin1(corpus));
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) {
            ADD_FAILURE() << "cannot read " << name.toStdString();
            continue;
        }
        seeds.append({name, QString::fromUtf8(f.readAll())});
    }
    return seeds;
}
