#include "document/picturebatch.h"

#include "common/error.h"
#include "document/picturefile.h"

#include <QFileInfo>
#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

namespace orugif {

std::vector<QImage> loadPictures(const QStringList& paths)
{
    const std::size_t count = std::size_t(paths.size());
    std::vector<QImage> pictures(count);
    std::vector<QString> failures(count);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    // Each worker takes the next file; after a failure the rest are skipped.
    const auto work = [&] {
        for (std::size_t i = next++; i < count && !failed; i = next++) {
            try {
                pictures[i] = loadPicture(paths[qsizetype(i)]);
            } catch (const std::exception& e) {
                failures[i] = QString::fromUtf8(e.what());
                failed = true;
            } catch (...) {
                failures[i] = QStringLiteral("erreur inattendue");
                failed = true;
            }
        }
    };
    const unsigned workers = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    std::vector<std::thread> threads;
    for (unsigned t = 1; t < std::min<std::size_t>(workers, count); ++t)
        threads.emplace_back(work);
    work();
    for (std::thread& t : threads)
        t.join();
    for (std::size_t i = 0; i < count; ++i)
        if (!failures[i].isEmpty())
            throw Error(QStringLiteral("L'image %1 n'a pas pu être lue : %2")
                            .arg(QFileInfo(paths[qsizetype(i)]).fileName(), failures[i]));
    return pictures;
}

} // namespace orugif
