// Stands in for the desktop's browser: QDesktopServices hands it the addresses it would open.
#pragma once

#include <QObject>
#include <QUrl>
#include <vector>

class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  std::vector<QUrl> opened;

 public slots:
  void open(const QUrl& url) { opened.push_back(url); }
};
