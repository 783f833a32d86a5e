// SPDX-License-Identifier: MIT OR GPL-2.0
/*
 * The register files the AT plug-in writes: /sys/kernel/debug/pmu_kv31/regs and
 * /sys/devices/platform/soc/1307000.gmac/gmac_power. Each keeps what it was last given
 * (read back from it) and logs every write; either can be made to fail by name.
 */
#include <linux/debugfs.h>
#include <linux/device.h>
#include <linux/fs.h>
#include <linux/platform_device.h>
#include <linux/slab.h>
#include <linux/uaccess.h>

#include "orvo_board.h"

#define PMU_REGS_PATH "/sys/kernel/debug/pmu_kv31/regs"
#define GMAC_POWER_PATH "/sys/devices/platform/soc/1307000.gmac/gmac_power"

static struct dentry *pmu_dir;
static struct platform_device *soc;
static struct platform_device *gmac;

static ssize_t regs_read(struct file *file, char __user *buf, size_t count, loff_t *ppos)
{
	ssize_t len;
	ssize_t ret;
	char *text;

	ret = orvo_fault_take("regs");
	if (ret)
		return ret;
	text = kmalloc(PAGE_SIZE, GFP_KERNEL);
	if (!text)
		return -ENOMEM;
	len = orvo_record_text(PMU_REGS_PATH, text, PAGE_SIZE);
	ret = simple_read_from_buffer(buf, count, ppos, text, len);
	kfree(text);
	return ret;
}

static ssize_t regs_write(struct file *file, const char __user *buf, size_t count,
			  loff_t *ppos)
{
	char *text = orvo_write_text("regs", buf, count);

	if (IS_ERR(text))
		return PTR_ERR(text);
	orvo_record_write(PMU_REGS_PATH, text, count);
	kfree(text);
	return count;
}

static const struct file_operations regs_fops = {
	.owner = THIS_MODULE,
	.read = regs_read,
	.write = regs_write,
	.llseek = default_llseek,
};

static ssize_t gmac_power_show(struct device *dev, struct device_attribute *attr, char *buf)
{
	int ret = orvo_fault_take("gmac_power");

	if (ret)
		return ret;
	return orvo_record_text(GMAC_POWER_PATH, buf, PAGE_SIZE - 1);
}

static ssize_t gmac_power_store(struct device *dev, struct device_attribute *attr,
				const char *buf, size_t count)
{
	int ret = orvo_fault_take("gmac_power");

	if (ret)
		return ret;
	orvo_record_write(GMAC_POWER_PATH, buf, count);
	return count;
}

static DEVICE_ATTR_RW(gmac_power);

/* The GMAC as the module's device tree names it: platform device 1307000.gmac under soc. */
static int gmac_add(void)
{
	int ret;

	soc = platform_device_register_simple("soc", PLATFORM_DEVID_NONE, NULL, 0);
	if (IS_ERR(soc))
		return PTR_ERR(soc);
	gmac = platform_device_alloc("1307000.gmac", PLATFORM_DEVID_NONE);
	if (!gmac)
		return -ENOMEM;
	gmac->dev.parent = &soc->dev;
	ret = platform_device_add(gmac);
	if (ret) {
		platform_device_put(gmac);
		gmac = NULL;
		return ret;
	}
	return device_create_file(&gmac->dev, &dev_attr_gmac_power);
}

int orvo_registers_init(void)
{
	int ret;

	pmu_dir = debugfs_create_dir("pmu_kv31", NULL);
	debugfs_create_file("regs", 0644, pmu_dir, NULL, &regs_fops);
	ret = gmac_add();
	if (ret)
		orvo_registers_exit();
	return ret;
}

void orvo_registers_exit(void)
{
	if (gmac) {
		device_remove_file(&gmac->dev, &dev_attr_gmac_power);
		platform_device_unregister(gmac);
	}
	if (!IS_ERR_OR_NULL(soc))
		platform_device_unregister(soc);
	debugfs_remove_recursive(pmu_dir);
	gmac = NULL;
	soc = NULL;
	pmu_dir = NULL;
}
