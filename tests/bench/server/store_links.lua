-- wrk script for scripts/bench-server: each wrk thread sends its own share of a file of
-- result links, each link once, and the answers are counted by status.
-- Arguments after "--": the file of queries (one a line) and the number of wrk threads.
local threads = {}

function setup(thread)
    thread:set("id", #threads)
    table.insert(threads, thread)
end

function init(args)
    local file, thread_count = args[1], tonumber(args[2])
    links = {}
    local i = 0
    for line in io.lines(file) do
        if i % thread_count == id then
            links[#links + 1] = line
        end
        i = i + 1
    end
    sent, ok, other = 0, 0, 0
end

function request()
    sent = sent + 1
    if sent > #links then
        error("more requests than links: make the file longer")
    end
    return wrk.format("GET", "/cgi-bin/trv-w-ru.pl?" .. links[sent])
end

function response(status)
    if status == 200 then
        ok = ok + 1
    else
        other = other + 1
    end
end

function done()
    local total_ok, total_other = 0, 0
    for _, thread in ipairs(threads) do
        total_ok = total_ok + thread:get("ok")
        total_other = total_other + thread:get("other")
    end
    io.write(string.format("answered 200: %d, other answers: %d\n", total_ok, total_other))
end
