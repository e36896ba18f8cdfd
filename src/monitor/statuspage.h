#pragma once

#include <QByteArray>

struct StatusView;

// GET /: the status page for a person, made on the server from the snapshot
// with everything it shows escaped. It loads nothing from elsewhere; its own
// small script counts the countdowns down and fetches the page again every
// few seconds, and says so when the station stops answering. nonce: the
// value the page's Content-Security-Policy lets its script and style run by.
QByteArray statusPage(const StatusView &view, const QByteArray &nonce);
QByteArray statusPagePolicy(const QByteArray &nonce);

// GET /status.json: the same facts for a program (see the README).
QByteArray statusJson(const StatusView &view);
