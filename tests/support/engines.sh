# Real engines for glintwork-spread's tests and benchmark, on this machine's loopback address
# only: an sshd with two host aliases and a one-node Slurm cluster. Source this file, set
# `engine_dir` to an empty folder of the caller's, and call engines_stop from the caller's trap
# on EXIT INT TERM: it stops every daemon by its pid and removes the users it created.
#   start_sshd                 aliases host-a, host-b (and host-down, which refuses) in
#                              $engine_dir/ssh/config; glintwork-cli on their PATH from $engine_dir/bin
#   start_slurm                SLURM_CONF exported, one idle node
#   make_pictures DIR N        N small pictures in DIR, among them the odd names of odd_names

engine_pids=()
engine_users=()
engine_made_dirs=()

engines_stop() {
  local pid user dir
  for pid in "${engine_pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${engine_pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
  done
  engine_pids=()
  # A user's processes are gone with the daemons that started them; what they left in /tmp
  # (Qt's runtime folder of glintwork-cli, say) goes with the user.
  for user in "${engine_users[@]}"; do
    find /tmp -maxdepth 1 -user "$user" -exec rm -rf {} + 2>/dev/null
    userdel "$user" 2>/dev/null
  done
  engine_users=()
  for dir in "${engine_made_dirs[@]}"; do rmdir "$dir" 2>/dev/null; done
  engine_made_dirs=()
}

# A TCP port on 127.0.0.1 that nothing listens on (checked by connecting).
free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 40000))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
}

# wait_for_port PORT PID: until something listens on PORT, while PID lives (at most 10 s).
wait_for_port() {
  for _ in $(seq 100); do
    kill -0 "$2" 2>/dev/null || return 1
    (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
    sleep 0.1
  done
  return 1
}

# glintwork-cli and its helpers where every user can run them: $engine_dir/bin.
install_cli_copy() {
  local cli=$1 build helper
  mkdir -p "$engine_dir/bin"
  chmod 755 "$engine_dir" "$engine_dir/bin"
  cp "$cli" "$engine_dir/bin/"
  build=$(dirname "$cli")/../..
  for helper in glintwork-photo glintwork-metafile; do
    [ ! -x "$build/bin/$helper" ] || cp "$build/bin/$helper" "$engine_dir/bin/"
  done
}

# start_sshd CLI: an sshd on a free port of 127.0.0.1 with a fresh host key, keys only. As root
# it runs as two new users (one per alias); otherwise both aliases are the calling user.
start_sshd() {
  local ssh="$engine_dir/ssh" users port attempt
  install_cli_copy "$1"
  mkdir -p "$ssh"
  ssh-keygen -q -t ed25519 -N '' -C glint-host -f "$ssh/host_key"
  ssh-keygen -q -t ed25519 -N '' -C glint-client -f "$ssh/id"
  cp "$ssh/id.pub" "$ssh/authorized_keys"
  chmod 755 "$ssh"
  chmod 644 "$ssh/authorized_keys"
  if [ "$(id -u)" -eq 0 ]; then
    users=("glspread-a$$" "glspread-b$$")
    local user
    for user in "${users[@]}"; do
      # no password, and not locked either ('!'): sshd without PAM refuses locked accounts
      useradd -m -d "$engine_dir/home-$user" -s /bin/bash -p '*' "$user" || return 1
      engine_users+=("$user")
    done
    # sshd's privilege separation folder, when this system has none yet.
    if [ ! -d /run/sshd ]; then
      mkdir -m 755 /run/sshd && engine_made_dirs+=(/run/sshd)
    fi
  else
    users=("$(id -un)" "$(id -un)")
  fi
  for attempt in 1 2 3; do
    port=$(free_port)
    cat >"$ssh/sshd_config" <<EOF
ListenAddress 127.0.0.1
Port $port
HostKey $ssh/host_key
PidFile none
AuthorizedKeysFile $ssh/authorized_keys
AuthenticationMethods publickey
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
AllowUsers ${users[*]}
# the test's folders are under /tmp, which every user can write to
StrictModes no
SetEnv PATH=$engine_dir/bin:/usr/bin:/bin
LogLevel ERROR
EOF
    /usr/sbin/sshd -D -e -f "$ssh/sshd_config" 2>>"$ssh/sshd.log" &
    engine_pids+=($!)
    wait_for_port "$port" "$!" && break
    [ "$attempt" -lt 3 ] || { cat "$ssh/sshd.log" >&2; return 1; }
  done
  local down
  down=$(free_port)
  printf '[127.0.0.1]:%s %s\n' "$port" "$(cut -d' ' -f1-2 "$ssh/host_key.pub")" >"$ssh/known_hosts"
  cat >"$ssh/config" <<EOF
Host host-a
  User ${users[0]}
Host host-b
  User ${users[1]}
Host host-down
  Port $down
Host *
  HostName 127.0.0.1
  Port $port
  IdentityFile $ssh/id
  IdentitiesOnly yes
  UserKnownHostsFile $ssh/known_hosts
  StrictHostKeyChecking yes
  LogLevel ERROR
EOF
}

# start_slurm: munged with its own key, slurmctld and slurmd in the foreground with an own
# slurm.conf on free ports; returns when the node is idle. Root only: slurmd starts the
# tasks as the submitting user.
start_slurm() {
  local s="$engine_dir/slurm" host ctld_port node_port
  mkdir -p "$s/munge" "$s/state" "$s/spool"
  chmod 700 "$s/munge"
  head -c 1024 /dev/urandom >"$s/munge/munge.key"
  chmod 600 "$s/munge/munge.key"
  munged -F --force --socket="$s/munge/socket" --key-file="$s/munge/munge.key" \
    --pid-file="$s/munge/munged.pid" --seed-file="$s/munge/seed" \
    --log-file="$s/munge/munged.log" 2>>"$s/munge/munged.log" &
  engine_pids+=($!)
  for _ in $(seq 50); do [ -S "$s/munge/socket" ] && break; sleep 0.1; done
  host=$(hostname -s)
  ctld_port=$(free_port)
  node_port=$(free_port)
  cat >"$s/slurm.conf" <<EOF
ClusterName=glintspread
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$node_port
SlurmUser=root
AuthType=auth/munge
AuthInfo=socket=$s/munge/socket
CredType=cred/munge
StateSaveLocation=$s/state
SlurmdSpoolDir=$s/spool
SlurmctldPidFile=$s/slurmctld.pid
SlurmdPidFile=$s/slurmd.pid
SlurmctldLogFile=$s/slurmctld.log
SlurmdLogFile=$s/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
MpiDefault=none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SchedulerParameters=batch_sched_delay=0
MailProg=/bin/true
ReturnToService=2
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=glint Nodes=ALL Default=YES MaxTime=INFINITE State=UP
EOF
  # slurmd starts its cgroup plugin even when nothing uses it, and fails where /sys/fs/cgroup
  # holds no file system (a chroot): the v1 plugin with an empty folder of its own starts anywhere,
  # and with proctrack/linuxproc and task/none no task is put into a cgroup.
  mkdir -p "$s/cgroup"
  printf 'CgroupPlugin=cgroup/v1\nCgroupMountpoint=%s\n' "$s/cgroup" >"$s/cgroup.conf"
  export SLURM_CONF="$s/slurm.conf"
  slurmctld -D -i -f "$SLURM_CONF" >>"$s/slurmctld.out" 2>&1 &
  engine_pids+=($!)
  slurmd -D -f "$SLURM_CONF" >>"$s/slurmd.out" 2>&1 &
  engine_pids+=($!)
  for _ in $(seq 300); do
    [ "$(sinfo --noheader --format=%t 2>/dev/null)" = idle ] && return 0
    sleep 0.1
  done
  tail -n 5 "$s"/*.log "$s"/*.out >&2
  return 1
}

# The names that need quoting somewhere: blanks, quotes, $, backtick, ;&*[?\{}%, UTF-8, a
# newline, a leading dash, bytes that are no UTF-8.
odd_names=(
  'two words' "it's" 'say "hi"' '$HOME' 'back`tick`' 'semi;colon' 'amp&er' 'star*'
  '[brackets]?' 'back\slash' '{braces}' '100%' 'café über' $'new\nline' '-dash'
  $'bad\xff\xfeutf8'
)

# make_pictures DIR N: N small pictures (ppm and png, sizes 3x2 to 9x6) named plainNN or
# by odd_names.
make_pictures() {
  local dir=$1 count=$2 i w h name x
  mkdir -p "$dir"
  for ((i = 0; i < count; i++)); do
    w=$((3 + i % 7)) h=$((2 + i % 5))
    name=${odd_names[$i]:-plain$i}
    {
      printf 'P3\n%d %d\n255\n' "$w" "$h"
      for ((x = 0; x < w * h; x++)); do
        printf '%d %d %d\n' $(((x * 37 + i) % 256)) $(((x * 91 + 7 * i) % 256)) $(((x * 13 + 50) % 256))
      done
    } >"$dir/$name.ppm"
  done
}
