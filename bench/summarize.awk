# Medians and ratios of bench/transfer.sh's result lines
# ("size target client wall cpu rss_kib bar_updates") and of
# bench/startup.sh's ("startup label seconds").
function median(list, n,    i, j, t, a) {
  n = split(list, a, " ")
  for (i = 2; i <= n; i++) { t = a[i]; for (j = i - 1; j >= 1 && a[j] > t; j--) a[j + 1] = a[j]; a[j + 1] = t }
  return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
}
function add(key, value) { lists[key] = lists[key] " " value; counts[key]++ }
BEGIN { bytes["big"] = 1073741824; bytes["small"] = 104857600; name["big"] = "1 GiB"; name["small"] = "100 MiB" }
$1 == "startup" { add("startup " $2, $3); next }
{
  transfers++
  key = $1 " " $2 " " $3
  add("mbs " key, bytes[$1] / $4 / 1e6)
  add("cpu " key, $5)
  add("rss " key, $6 / 1024)
  if ($7 != "-") add("bar " key, $7)
}
END {
  if (transfers) print_transfers()
  print_startup()
}
function print_transfers(    s, t, c, key, o, k, b, m, sizes, targets, clients) {
  printf "%-8s %-6s %-5s %4s %9s %8s %13s %12s\n", "file", "to", "client", "n", "MB/s", "CPU s", "peak RSS MiB", "bar updates"
  split("big small", sizes, " "); split("disk tmpfs", targets, " "); split("ours curl wget", clients, " ")
  for (s = 1; s <= 2; s++) for (t = 1; t <= 2; t++) {
    for (c = 1; c <= 3; c++) {
      key = sizes[s] " " targets[t] " " clients[c]
      if (!(("mbs " key) in lists)) continue
      mbs[key] = median(lists["mbs " key]); cpu[key] = median(lists["cpu " key]); rss[key] = median(lists["rss " key])
      printf "%-8s %-6s %-5s %4d %9.0f %8.3f %13.1f %12s\n", name[sizes[s]], targets[t], clients[c], counts["mbs " key],
             mbs[key], cpu[key], rss[key], (("bar " key) in lists) ? median(lists["bar " key]) : "-"
    }
  }
  print ""
  print "Ratios ours/curl (medians of this run):"
  for (s = 1; s <= 2; s++) for (t = 1; t <= 2; t++) {
    o = sizes[s] " " targets[t] " ours"; k = sizes[s] " " targets[t] " curl"
    if (!(o in mbs) || !(k in mbs)) continue
    printf "  %-8s to %-6s throughput %.2f (goal >= 1.3 on 1 GiB)   CPU %.2f (goal <= 0.7)\n",
           name[sizes[s]], targets[t], mbs[o] / mbs[k], cpu[o] / cpu[k]
  }
  for (t = 1; t <= 2; t++) {
    b = "big " targets[t] " ours"; m = "small " targets[t] " ours"
    if ((b in rss) && (m in rss))
      printf "  ours' peak RSS, 1 GiB minus 100 MiB download, to %-6s %+.2f MiB (goal < 1 MiB)\n", targets[t], rss[b] - rss[m]
  }
}
function print_startup(    so, sr, ss) {
  if (("startup ours" in lists) && ("startup reference" in lists)) {
    so = median(lists["startup ours"]); sr = median(lists["startup reference"])
    print ""
    printf "Start-up, exec to the banner's picture requested (n=%d each): ours %.3f s, reference %.3f s, ratio %.2f (goal <= 1.1)\n",
           counts["startup ours"], so, sr, so / sr
    if ("startup reference-software" in lists) {
      ss = median(lists["startup reference-software"])
      printf "  (reference with hardware acceleration off, as the program sets it: %.3f s, ours/that %.2f)\n", ss, so / ss
    }
  }
}
