#include "table/reject_run.h"

#include <algorithm>

#include "platform/reject_batch.h"
#include "web/codepage.h"

namespace brevink {

namespace {

// Bodies hold kRejectBatchSize links each but the last, which holds the rest.
size_t LinksInBody(size_t body, size_t links) {
    const size_t before = body * kRejectBatchSize;
    return before >= links ? 0 : std::min(kRejectBatchSize, links - before);
}

}  // namespace

std::vector<std::string> TickedUrls(const LinkList& list) {
    std::vector<std::string> urls;
    const int rows = list.RowCount();
    for (int row = 0; row < rows; ++row) {
        if (list.CheckState(row) == 1) {
            urls.push_back(list.Cell(row, 1));
        }
    }
    return urls;
}

RejectOutcome RejectRun(const LinkList& list, const Endpoints& endpoints, const std::string& site,
                        const std::string& cookies, const std::atomic<bool>& stop) {
    return SubmitRejects(TickedUrls(list), endpoints, site, cookies, stop);
}

RejectOutcome SubmitRejects(const std::vector<std::string>& urls, const Endpoints& endpoints,
                            const std::string& site, const std::string& cookies,
                            const std::atomic<bool>& stop) {
    const std::vector<std::string> bodies = BuildRejectBodies(urls);
    RejectOutcome outcome;
    outcome.links = urls.size();
    outcome.batches = bodies.size();
    for (size_t i = 0; i < bodies.size(); ++i) {
        outcome.stopped = outcome.stopped || stop;
        if (outcome.stopped || !SendRejectBatch(endpoints, site, bodies[i], cookies).answered) {
            outcome.failedLinks += LinksInBody(i, urls.size());
            ++outcome.failedBatches;
        }
    }
    return outcome;
}

std::string RejectMessage(const RejectOutcome& outcome) {
    if (outcome.Succeeded()) {
        static const std::string kDone =
            Gbk(u8"所有链站已拒绝完成，可登录百度站长平台查看效果。（一般生效时间为15~30天）");
        return kDone;
    }
    return Gbk(u8"有 ") + std::to_string(outcome.failedLinks) + Gbk(u8" 条勾选外链未能提交（") +
           std::to_string(outcome.failedBatches) +
           Gbk(u8" 个拒绝请求没有得到成功的回应），请检查网络和登录状态后重试。");
}

}  // namespace brevink
